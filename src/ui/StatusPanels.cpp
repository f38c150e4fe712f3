#include "ui/StatusPanels.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kvizor {

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
        auto* label = new QLabel(strip);
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
    QLabel* label = panel(index);
    if (label != nullptr && label->text() != text)
        label->setText(text);
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
