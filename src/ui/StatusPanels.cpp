#include "ui/StatusPanels.h"

#include "ui/Accessibility.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kvizor {

namespace {

// What a listener hears for a panel's text: the visible texts are terse ("3/8",
// "00:14:48"), the spoken ones say what they are.
QString spokenPanel(int index, const QString& text)
{
    if (text.isEmpty())
        return text;
    const bool duration = text.count(QLatin1Char(':')) == 2;
    switch (index) {
    case 1: {
        const QStringList parts = text.split(QLatin1Char('/'));
        return parts.size() == 2 ? QStringLiteral("Задание %1 из %2").arg(parts.at(0), parts.at(1)) : text;
    }
    case 2:
        return (duration ? QStringLiteral("Прошло времени на тест: ") : QStringLiteral("Дата: ")) + text;
    case 3:
        return (duration ? QStringLiteral("Прошло времени на задание: ") : QStringLiteral("Время: ")) + text;
    case 4:
        return QStringLiteral("Осталось времени на тест: ") + text;
    case 5:
        return QStringLiteral("Осталось времени на задание: ") + text;
    case 6:
        return QStringLiteral("Режим обучения");
    case 7:
        return QStringLiteral("Режим штрафов");
    case 8:
        return QStringLiteral("Пропуск заданий разрешен");
    case 10:
        return QStringLiteral("Тестируемый: ") + text;
    default:
        return text;
    }
}

// The clock panels change every second; they are read when asked, never announced.
bool isClock(int index)
{
    return index >= 2 && index <= 5;
}

} // namespace

TStatusPanels::TStatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    setMinimumHeight(19);
    // The panels sit in a strip that may be narrower than their sum: a narrow window clips
    // the last panels instead of being held wide by them.
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("StatusPanelStrip"));
    strip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(strip);
    row->setSizeConstraint(QLayout::SetNoConstraint);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new TSpokenLabel(
            QStringLiteral("Панель состояния %1").arg(i + 1),
            [i](const QString& text) { return spokenPanel(i, text); }, isClock(i), strip);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFixedWidth(PanelWidths[static_cast<std::size_t>(i)]);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(i == PanelCount - 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setContentsMargins(2, 0, 2, 0);
        row->addWidget(label);
        m_panels[static_cast<std::size_t>(i)] = label;
    }
    row->addStretch(1);
    addWidget(strip, 1);
}

QLabel* TStatusPanels::panel(int index) const
{
    if (index < 0 || index >= PanelCount)
        return nullptr;
    return m_panels[static_cast<std::size_t>(index)];
}

QString TStatusPanels::panelText(int index) const
{
    const QLabel* label = panel(index);
    return label != nullptr ? label->text() : QString();
}

void TStatusPanels::setPanelText(int index, const QString& text)
{
    if (auto* label = static_cast<TSpokenLabel*>(panel(index)))
        label->setSpokenText(text);
}

} // namespace kvizor

namespace kvizor {

void TStatusPanels::setPanelRed(int index, bool red)
{
    QLabel* label = panel(index);
    if (label == nullptr || label->property("red").toBool() == red)
        return;
    label->setProperty("red", red);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText,
                     red ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
    label->setPalette(palette);
}

bool TStatusPanels::isPanelRed(int index) const
{
    const QLabel* label = panel(index);
    return label != nullptr && label->property("red").toBool();
}

} // namespace kvizor
