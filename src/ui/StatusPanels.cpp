#include "ui/StatusPanels.h"

#include <QLabel>

namespace kvizor {

TStatusPanels::TStatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    setMinimumHeight(19);
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFixedWidth(PanelWidths[static_cast<std::size_t>(i)]);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(i == PanelCount - 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        label->setContentsMargins(2, 0, 2, 0);
        addWidget(label);
        m_panels[static_cast<std::size_t>(i)] = label;
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
