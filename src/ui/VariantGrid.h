#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace kvizor {

class RichTextView;

// The grid of variant slots: 10 rows (slots 1 … 10) by 7 columns, one control group per
// column. Columns have pixel widths, column 4 taking the rest; the first rowCount() rows
// share the height equally and the others get none. A control shows only in a visible row
// and a column wider than 0 (lists also only while shown by setListShown).
class TVariantGrid : public QWidget
{
    Q_OBJECT

public:
    static constexpr int SlotCount = 10;
    static constexpr int ColumnCount = 7;
    // Slots with a right-hand number label of their own; the others have fixed labels.
    static constexpr int MatchLabelCount = 5;

    enum Column
    {
        ColNumber = 0,
        ColRadio = 1,
        ColCheck = 2,
        ColList = 3,
        ColText = 4,
        ColMatchNumber = 5,
        ColMatchText = 6
    };
    using Widths = std::array<int, ColumnCount>;

    explicit TVariantGrid(QWidget* parent = nullptr);

    // The controls of a slot. Each is made the first time it is asked for or laid out in a
    // visible cell, so the start screen makes only the controls it shows.
    RichTextView* variantText(int slot);
    RichTextView* matchText(int slot);
    QRadioButton* radio(int slot);
    QCheckBox* check(int slot);
    QComboBox* list(int slot);
    QLabel* numberLabel(int slot);
    // nullptr for slots 5 … 9, whose numbers are fixed labels.
    QLabel* matchNumberLabel(int slot);

    // Empties the variant texts and number labels and clears and disables the radio
    // buttons, of the controls made so far.
    void clearSlots();

    // Designed widths of the columns; a column shown is widened where its controls need
    // more. The value for column 4 is ignored (it takes the rest).
    void setColumnWidths(const Widths& widths);
    // The widths as laid out, column 4 and a recomputed column 6 included.
    Widths columnWidths() const { return m_laidOut; }
    void setRowCount(int rows);
    int rowCount() const { return m_rows; }
    void setListShown(int slot, bool shown);
    // Places every control; runs by itself on every resize.
    void relayout();

    // Clears a radio button although the group is exclusive.
    static void uncheckRadio(QRadioButton* button);

    // Room for ten rows of controls and the columns of the current type.
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The examinee clicked a radio button or check box or chose a list entry.
    void answerChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The widths to lay out: the designed ones, widened to what the controls need.
    Widths neededWidths() const;
    // The width a column's controls need at the current font.
    int neededWidth(int column) const;
    // The smallest height of a row that shows every control of it whole.
    int rowMinimum() const;
    // The right-hand number of any slot, fixed labels included.
    QLabel* matchNumberCell(int slot);
    // Tab goes through the slots row by row, each row's controls left to right, whatever
    // order they were made in.
    void restoreTabOrder();
    // Shows the control in a non-empty cell (making it when needed) and hides it otherwise.
    template <typename Make>
    void place(QWidget* made, const QRect& cell, bool fill, Make make);

    std::array<RichTextView*, SlotCount> m_texts{};
    std::array<RichTextView*, SlotCount> m_matchTexts{};
    std::array<QRadioButton*, SlotCount> m_radios{};
    std::array<QCheckBox*, SlotCount> m_checks{};
    std::array<QComboBox*, SlotCount> m_lists{};
    std::array<QLabel*, SlotCount> m_numbers{};
    // Slots 0 … 4: the controls; 5 … 9: the fixed labels "6" … "10".
    std::array<QLabel*, SlotCount> m_matchNumbers{};
    std::array<bool, SlotCount> m_listShown{};
    Widths m_widths{20, 40, 0, 0, 0, 0, 0};
    Widths m_laidOut{};
    QSize m_minimum;
    int m_rows = 5;
    // A control was made since the tab order was last set.
    bool m_tabOrderStale = false;
};

} // namespace kvizor
