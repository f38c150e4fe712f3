#pragma once

#include <QString>

#include <array>

namespace kvizor {

// What the answer controls of the task on screen hold, read back by the view. Slots are
// screen slots: slot k shows the variant VariantOrder[k].
struct TaskAnswer
{
    static constexpr int SlotCount = 10;

    TaskAnswer() { ListIndex.fill(-1); }

    // Types 1 and 2: the radio button or check box of the slot is checked.
    std::array<bool, SlotCount> Checked{};
    // Types 3, 4 and 5: index of the entry chosen in the slot's list, -1 for none. For
    // type 5 the entries are the blank one (0), "Да" (1) and "Нет" (2).
    std::array<int, SlotCount> ListIndex{};
    // Types 6 and 7: the field's text exactly as typed.
    QString Text;
    // Type 8: whether the marker was placed on this showing of the task, and its centre in
    // pixels of the picture, counted from its top-left corner.
    bool PointPlaced = false;
    int PointX = 0;
    int PointY = 0;
};

} // namespace kvizor
