#include "ui/StatusPanels.h"

#include "ui/Accessibility.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

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

constexpr int DesignedHeight = 19;

// The last panel: a text longer than the panel ends in "…", the whole text in its tooltip.
class ShorteningPanel : public TSpokenLabel
{
public:
    ShorteningPanel(QWidget* parent, int designedWidth, Speech speech)
        : TSpokenLabel(QStringLiteral("Тестируемый"), std::move(speech), parent),
          m_designedWidth(designedWidth)
    {
    }

    // A listener hears the whole text, not the shortened one.
    QString readText() const override { return m_whole; }

    // The designed width, or the whole text if wider; it gives way down to half the design
    // before the window has to grow.
    QSize sizeHint() const override
    {
        return QSize(std::max(m_designedWidth, m_wholeWidth), QLabel::sizeHint().height());
    }
    QSize minimumSizeHint() const override
    {
        return QSize(m_designedWidth / 2, QLabel::minimumSizeHint().height());
    }

    QString wholeText() const { return m_whole; }
    void setWholeText(const QString& text)
    {
        m_whole = text;
        refresh();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        refresh();
    }
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            refresh();
    }

private:
    void refresh()
    {
        const QFontMetrics metrics = fontMetrics();
        // Measured as the label measures its text, which may take a pixel more than its advance.
        auto width = [&metrics](const QString& text) {
            return metrics.boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft, text).width();
        };
        // What the label adds around its text (frame, margins, indent), as it measures it.
        if (text() != m_whole)
            setText(m_whole);
        m_wholeWidth = QLabel::sizeHint().width();
        const int overhead = m_wholeWidth - width(m_whole);
        const int room = this->width() - overhead;
        QString shown = m_whole;
        for (int limit = room; limit > 0 && width(shown) > room; --limit)
            shown = metrics.elidedText(m_whole, Qt::ElideRight, limit);
        if (text() != shown)
            setText(shown);
        const QString tip = shown == m_whole ? QString() : m_whole;
        if (toolTip() != tip)
            setToolTip(tip);
    }
    const int m_designedWidth;
    QString m_whole;
    int m_wholeWidth = 0;
};

} // namespace

TStatusPanels::TStatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("StatusPanelStrip"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < PanelCount; ++i) {
        const bool last = i == PanelCount - 1;
        const TSpokenLabel::Speech speech = [i](const QString& text) { return spokenPanel(i, text); };
        QLabel* label =
            last ? new ShorteningPanel(strip, PanelWidths[static_cast<std::size_t>(i)], speech)
                 : new TSpokenLabel(QStringLiteral("Панель состояния %1").arg(i + 1), speech, strip);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(last ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setContentsMargins(2, 0, 2, 0);
        row->addWidget(label, last ? 1 : 0);
        m_panels[static_cast<std::size_t>(i)] = label;
        fitWidth(i);
    }
    addWidget(strip, 1);
}

void TStatusPanels::fitWidth(int index)
{
    QLabel* label = panel(index);
    if (index == PanelCount - 1)
        return;
    const int designed = PanelWidths[static_cast<std::size_t>(index)];
    // Measured here: a label's own size hint never falls below its fixed width.
    const int frame = label->width() - label->contentsRect().width();
    const int text =
        label->fontMetrics().boundingRect(QRect(0, 0, 2000, 2000), label->alignment(), label->text()).width();
    const int width = std::max(designed, text + frame);
    if (label->width() != width || label->minimumWidth() != width)
        label->setFixedWidth(width);
}

QSize TStatusPanels::sizeHint() const
{
    return QStatusBar::sizeHint().expandedTo(QSize(0, DesignedHeight));
}

QSize TStatusPanels::minimumSizeHint() const
{
    return QStatusBar::minimumSizeHint().expandedTo(QSize(0, DesignedHeight));
}

void TStatusPanels::changeEvent(QEvent* event)
{
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        for (int i = 0; i < PanelCount; ++i)
            fitWidth(i);
    }
}

QLabel* TStatusPanels::panel(int index) const
{
    if (index < 0 || index >= PanelCount)
        return nullptr;
    return m_panels[static_cast<std::size_t>(index)];
}

QString TStatusPanels::panelText(int index) const
{
    if (const auto* last = dynamic_cast<const ShorteningPanel*>(panel(index)))
        return last->wholeText();
    const QLabel* label = panel(index);
    return label != nullptr ? label->text() : QString();
}

void TStatusPanels::setPanelText(int index, const QString& text)
{
    QLabel* label = panel(index);
    if (label == nullptr || panelText(index) == text)
        return;
    if (auto* last = dynamic_cast<ShorteningPanel*>(label)) {
        last->setWholeText(text);
    } else {
        label->setText(text);
        fitWidth(index);
    }
    // Spoken panels have names of their own, so QLabel announces nothing by itself.
    if (!isClock(index))
        accessibility::nameChanged(label);
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
