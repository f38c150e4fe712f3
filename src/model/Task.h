#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kvizor {

class BinaryReader;
class BinaryWriter;

// Task type codes as stored in the file.
enum TTaskType : std::uint8_t
{
    ttNone = 0,
    ttSingleChoice = 1,
    ttMultipleChoice = 2,
    ttOrdering = 3,
    ttMatching = 4,
    ttTrueFalse = 5,
    ttNumber = 6,
    ttText = 7,
    ttImagePoint = 8,
};

// The right area of an image-point task, in pixels of the picture.
struct TAnswerRect
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    // Edges count as inside.
    bool Contains(std::int64_t x, std::int64_t y) const
    {
        return x >= Left && x <= std::int64_t(Left) + Width && y >= Top && y <= std::int64_t(Top) + Height;
    }
    bool operator==(const TAnswerRect&) const = default;
};

class TTask
{
public:
    static constexpr int SlotCount = 10;

    // A type outside 1..8 gives type 0.
    explicit TTask(int taskType = 0);

    // Reads one task record; throws FormatError on short or impossible data. Slots beyond a
    // smaller stored count keep their values.
    void LoadFromStream(BinaryReader& reader);
    void SaveToStream(BinaryWriter& writer) const;

    // Copies the common fields and the fields of source's type through a stored record,
    // so fields of other types keep their values here.
    void Assign(const TTask& source);

    // Position (from 1) of the last non-empty slot; 0 when all are empty.
    int VariantCount() const;
    int MatchVariantCount() const;
    bool IsVariantRight(int i) const;
    std::int32_t GetVariantValue(int i) const;
    QString GetVariant(int i) const;
    QString GetMatchVariant(int i) const;

    // Types 1 to 5 answer with variants.
    bool HasVariants() const { return TaskType >= ttSingleChoice && TaskType <= ttTrueFalse; }

    std::uint8_t TaskType = 0;
    QString Question;
    QString ImageFile;
    QString Hint;
    std::int32_t HintPenalty = 0;
    QString Explanation;
    std::int32_t Weight = 1;
    std::int32_t TimeLimit = 0;
    std::int32_t ThemeId = 0;
    std::array<QString, SlotCount> Variants;
    std::array<QString, SlotCount> MatchVariants;
    std::array<std::int32_t, SlotCount> VariantValues{};
    double NumberValue = 0;
    double NumberMin = 0;
    double NumberMax = 0;
    bool NumberIsRange = false;
    QString TextAnswers;
    bool TextCaseSensitive = false;
    TAnswerRect AnswerRect;
};

// The tasks of a test in file order.
using TTaskList = std::vector<std::unique_ptr<TTask>>;

} // namespace kvizor
