#include "Task.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FormatError.h"
#include "TestFormat.h"

#include <QBuffer>

namespace kvizor {
namespace {

static_assert(TTask::SlotCount == format::kSlotCount);

int lastFilledSlot(const std::array<QString, TTask::SlotCount>& slots)
{
    for (int i = TTask::SlotCount; i > 0; --i) {
        if (!slots[static_cast<std::size_t>(i - 1)].isEmpty())
            return i;
    }
    return 0;
}

bool validSlot(int i)
{
    return i >= 0 && i < TTask::SlotCount;
}

// A stored slot count: at most the model's ten slots.
int readSlotCount(BinaryReader& reader)
{
    const std::int32_t count = reader.readInt32();
    if (count < 0 || count > TTask::SlotCount)
        throw FormatError("slot count out of range");
    return count;
}

} // namespace

TTask::TTask(int taskType)
    : TaskType(taskType >= format::kFirstTaskType && taskType <= format::kLastTaskType
                   ? static_cast<std::uint8_t>(taskType)
                   : 0)
{
}

void TTask::LoadFromStream(BinaryReader& reader)
{
    TaskType = reader.readByte();
    Question = reader.readLstr();
    ImageFile = reader.readLstr();
    Weight = reader.readInt32();
    TimeLimit = reader.readInt32();
    Hint = reader.readLstr();
    HintPenalty = reader.readInt32();
    Explanation = reader.readLstr();
    ThemeId = reader.readInt32();
    if (HasVariants()) {
        const int a = readSlotCount(reader);
        for (int i = 0; i < a; ++i)
            Variants[static_cast<std::size_t>(i)] = reader.readLstr();
        const int b = readSlotCount(reader);
        for (int i = 0; i < b; ++i)
            VariantValues[static_cast<std::size_t>(i)] = reader.readInt32();
        if (TaskType == ttMatching) {
            const int c = readSlotCount(reader);
            for (int i = 0; i < c; ++i)
                MatchVariants[static_cast<std::size_t>(i)] = reader.readLstr();
        }
    } else if (TaskType == ttNumber) {
        NumberValue = reader.readDouble();
        NumberMin = reader.readDouble();
        NumberMax = reader.readDouble();
        NumberIsRange = reader.readFlag();
    } else if (TaskType == ttText) {
        TextAnswers = reader.readLstr();
        TextCaseSensitive = reader.readFlag();
    } else if (TaskType == ttImagePoint) {
        AnswerRect.Left = reader.readInt32();
        AnswerRect.Top = reader.readInt32();
        AnswerRect.Width = reader.readInt32();
        AnswerRect.Height = reader.readInt32();
    }
    reader.readInt32();
    reader.readByte();
}

void TTask::SaveToStream(BinaryWriter& writer) const
{
    writer.writeByte(TaskType);
    writer.writeLstr(Question);
    writer.writeLstr(ImageFile);
    writer.writeInt32(Weight);
    writer.writeInt32(TimeLimit);
    writer.writeLstr(Hint);
    writer.writeInt32(HintPenalty);
    writer.writeLstr(Explanation);
    writer.writeInt32(ThemeId);
    if (HasVariants()) {
        writer.writeInt32(SlotCount);
        for (const QString& variant : Variants)
            writer.writeLstr(variant);
        writer.writeInt32(SlotCount);
        for (std::int32_t value : VariantValues)
            writer.writeInt32(value);
        if (TaskType == ttMatching) {
            writer.writeInt32(SlotCount);
            for (const QString& variant : MatchVariants)
                writer.writeLstr(variant);
        }
    } else if (TaskType == ttNumber) {
        writer.writeDouble(NumberValue);
        writer.writeDouble(NumberMin);
        writer.writeDouble(NumberMax);
        writer.writeFlag(NumberIsRange);
    } else if (TaskType == ttText) {
        writer.writeLstr(TextAnswers);
        writer.writeFlag(TextCaseSensitive);
    } else if (TaskType == ttImagePoint) {
        writer.writeInt32(AnswerRect.Left);
        writer.writeInt32(AnswerRect.Top);
        writer.writeInt32(AnswerRect.Width);
        writer.writeInt32(AnswerRect.Height);
    }
    writer.writeInt32(0);
    writer.writeByte(0);
}

void TTask::Assign(const TTask& source)
{
    if (&source == this)
        return;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    BinaryWriter writer(buffer);
    source.SaveToStream(writer);
    buffer.seek(0);
    BinaryReader reader(buffer);
    LoadFromStream(reader);
}

int TTask::VariantCount() const
{
    return lastFilledSlot(Variants);
}

int TTask::MatchVariantCount() const
{
    return lastFilledSlot(MatchVariants);
}

bool TTask::IsVariantRight(int i) const
{
    return GetVariantValue(i) >= 1;
}

std::int32_t TTask::GetVariantValue(int i) const
{
    return validSlot(i) ? VariantValues[static_cast<std::size_t>(i)] : 0;
}

QString TTask::GetVariant(int i) const
{
    return validSlot(i) ? Variants[static_cast<std::size_t>(i)] : QString();
}

QString TTask::GetMatchVariant(int i) const
{
    return validSlot(i) ? MatchVariants[static_cast<std::size_t>(i)] : QString();
}

} // namespace kvizor
