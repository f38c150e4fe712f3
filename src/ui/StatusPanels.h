#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace kvizor {

// The main window's status bar: eleven panels, addressed 0 … 10. The bar holds the window
// wide enough for all of them, so none is cut off.
class TStatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 11;
    static constexpr std::array<int, PanelCount> PanelWidths{100, 50, 60, 60, 60, 60, 25, 25, 25, 100, 200};

    explicit TStatusPanels(QWidget* parent = nullptr);

    // The whole text, also of a panel that shows it shortened.
    QString panelText(int index) const;
    // Changes the text only when it differs, so an unchanged update costs no repaint.
    void setPanelText(int index, const QString& text);
    QLabel* panel(int index) const;
    // Draws the text in pure red (the remaining-time panels near the end).
    void setPanelRed(int index, bool red);
    bool isPanelRed(int index) const;

    // At least the designed 19 pixels high, higher when the panels' font needs it.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    // A panel is as wide as its designed width or its text, whichever is more; the last
    // one takes the rest of the bar.
    void fitWidth(int index);

    std::array<QLabel*, PanelCount> m_panels{};
};

} // namespace kvizor
