#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace kvizor {

// The main window's status bar: eleven fixed panels, addressed 0 … 10.
class TStatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 11;
    static constexpr std::array<int, PanelCount> PanelWidths{100, 50, 60, 60, 60, 60, 25, 25, 25, 100, 200};

    explicit TStatusPanels(QWidget* parent = nullptr);

    QString panelText(int index) const;
    // Changes the text only when it differs, so an unchanged update costs no repaint.
    void setPanelText(int index, const QString& text);
    QLabel* panel(int index) const;

private:
    std::array<QLabel*, PanelCount> m_panels{};
};

} // namespace kvizor
