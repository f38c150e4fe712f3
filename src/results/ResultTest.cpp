#include "ResultTest.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/DateTime.h"
#include "common/FormatError.h"

#include <QBuffer>
#include <QDateTime>

#include <cstring>
#include <functional>

namespace kvizor {
namespace {

void setEntry(QList<std::int32_t>& list, int i, std::int32_t v)
{
    if (i >= 0 && i < list.size())
        list[i] = v;
}

template <typename List>
QString buildMask(const List& list, const std::function<QString(const typename List::value_type&)>& text)
{
    QString mask;
    for (qsizetype k = 0; k < list.size(); ++k) {
        mask += QString::number(k + 1);
        mask += QLatin1String(") ");
        mask += text(list.at(k));
        mask += QLatin1Char(' ');
    }
    return mask;
}

QString starOrNumber(const std::int32_t& v)
{
    return v < 0 ? QStringLiteral("*") : QString::number(v);
}

void writeIntArray(BinaryWriter& writer, const QList<std::int32_t>& list)
{
    writer.writeInt32(static_cast<std::int32_t>(list.size()));
    for (std::int32_t v : list)
        writer.writeInt32(v);
}

// The list grows with the data actually read, so a hostile count cannot make it allocate
// ahead of the bytes that back it.
QList<std::int32_t> readIntArray(BinaryReader& reader)
{
    const std::int32_t count = reader.readInt32();
    reader.checkCount(count, 4);
    QList<std::int32_t> list;
    for (std::int32_t k = 0; k < count; ++k)
        list.append(reader.readInt32());
    return list;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TResultTest::TResultTest(int testTaskCount)
{
    const int n = testTaskCount > 0 ? testTaskCount : 0;
    TaskResults.fill(-1, n);
    TaskSeconds.fill(-1, n);
    TaskPenalties.fill(-1, n);
    for (int k = 0; k < n; ++k)
        TaskAnswers.append(QString());
}

void TResultTest::SetTaskResult(int i, std::int32_t v)
{
    setEntry(TaskResults, i, v);
}

void TResultTest::SetTaskSeconds(int i, std::int32_t v)
{
    setEntry(TaskSeconds, i, v);
}

void TResultTest::SetTaskPenalty(int i, std::int32_t v)
{
    setEntry(TaskPenalties, i, v);
}

void TResultTest::SetTaskAnswer(int i, const QString& text)
{
    if (i >= 0 && i < TaskAnswers.size())
        TaskAnswers[i] = text;
}

QString TResultTest::GetResultMask() const
{
    // Any negative entry means "not evaluated"; a right answer worth more than 100 points
    // is still a right answer.
    return buildMask<QList<std::int32_t>>(TaskResults, [](const std::int32_t& v) {
        if (v < 0)
            return QStringLiteral("*");
        return v == 0 ? QStringLiteral("-") : QStringLiteral("+");
    });
}

QString TResultTest::GetTimeMask() const
{
    return buildMask<QList<std::int32_t>>(TaskSeconds, starOrNumber);
}

QString TResultTest::GetAnswerMask() const
{
    return buildMask<QStringList>(TaskAnswers, [](const QString& v) { return v; });
}

QString TResultTest::GetPenaltyMask() const
{
    return buildMask<QList<std::int32_t>>(TaskPenalties, starOrNumber);
}

void TResultTest::SaveToStream(BinaryWriter& writer) const
{
    writer.writeLstr(UserName);
    writer.writeLstr(UserGroup);
    writer.writeLstr(ComputerName);
    writer.writeLstr(ComputerUserName);
    writer.writeLstr(Reserved1);
    writer.writeDouble(StartTime);
    writer.writeDouble(EndTime);
    writer.writeInt32(ElapsedSeconds);
    writer.writeDouble(TestDate);
    writer.writeLstr(TestTitle);
    writer.writeLstr(TestFileName);
    writer.writeUInt32(TestFileCRC);
    writer.writeLstr(TestUId);
    writeIntArray(writer, TaskResults);
    writeIntArray(writer, TaskSeconds);
    writer.writeInt32(static_cast<std::int32_t>(TaskAnswers.size()));
    for (const QString& answer : TaskAnswers)
        writer.writeLstr(answer);
    writeIntArray(writer, TaskPenalties);
    writer.writeByte(EndReason);
    writer.writeInt32(MarkValue);
    writer.writeLstr(MarkName);
    writer.writeInt32(MarkCount);
    writer.writeInt32(TaskCount);
    writer.writeInt32(AskedCount);
    writer.writeInt32(RightCount);
    writer.writeInt32(WrongCount);
    writer.writeInt32(SkipCount);
    writer.writeInt32(PromptCount);
    writer.writeInt32(MaxPoints);
    writer.writeDouble(Points);
    writer.writeLstr(Reserved2);
}

QByteArray TResultTest::StoredBytes() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    SaveToStream(writer);
    return bytes;
}

void TResultTest::LoadFromStream(BinaryReader& reader)
{
    // Read into a fresh record first so a failure part-way leaves this one as it was.
    TResultTest r;
    r.UserName = reader.readLstr();
    r.UserGroup = reader.readLstr();
    r.ComputerName = reader.readLstr();
    r.ComputerUserName = reader.readLstr();
    r.Reserved1 = reader.readLstr();
    r.StartTime = reader.readDouble();
    r.EndTime = reader.readDouble();
    r.ElapsedSeconds = reader.readInt32();
    r.TestDate = reader.readDouble();
    r.TestTitle = reader.readLstr();
    r.TestFileName = reader.readLstr();
    r.TestFileCRC = reader.readUInt32();
    r.TestUId = reader.readLstr();
    r.TaskResults = readIntArray(reader);
    r.TaskSeconds = readIntArray(reader);
    const std::int32_t answers = reader.readInt32();
    reader.checkCount(answers, 4);
    for (std::int32_t k = 0; k < answers; ++k)
        r.TaskAnswers.append(reader.readLstr());
    r.TaskPenalties = readIntArray(reader);
    r.EndReason = reader.readByte();
    r.MarkValue = reader.readInt32();
    r.MarkName = reader.readLstr();
    r.MarkCount = reader.readInt32();
    r.TaskCount = reader.readInt32();
    r.AskedCount = reader.readInt32();
    r.RightCount = reader.readInt32();
    r.WrongCount = reader.readInt32();
    r.SkipCount = reader.readInt32();
    r.PromptCount = reader.readInt32();
    r.MaxPoints = reader.readInt32();
    r.Points = reader.readDouble();
    r.Reserved2 = reader.readLstr();

    r.AskedMaxPoints = AskedMaxPoints;
    r.TaskOrder = std::move(TaskOrder);
    r.CurrentPos = CurrentPos;
    r.VariantOrder = std::move(VariantOrder);
    r.TaskStates = std::move(TaskStates);
    *this = std::move(r);
}

bool TResultTest::SameStoredFields(const TResultTest& o) const
{
    return UserName == o.UserName && UserGroup == o.UserGroup && ComputerName == o.ComputerName &&
           ComputerUserName == o.ComputerUserName && Reserved1 == o.Reserved1 &&
           sameBits(StartTime, o.StartTime) && sameBits(EndTime, o.EndTime) &&
           ElapsedSeconds == o.ElapsedSeconds && sameBits(TestDate, o.TestDate) && TestTitle == o.TestTitle &&
           TestFileName == o.TestFileName && TestFileCRC == o.TestFileCRC && TestUId == o.TestUId &&
           TaskResults == o.TaskResults && TaskSeconds == o.TaskSeconds && TaskAnswers == o.TaskAnswers &&
           TaskPenalties == o.TaskPenalties && EndReason == o.EndReason && MarkValue == o.MarkValue &&
           MarkName == o.MarkName && MarkCount == o.MarkCount && TaskCount == o.TaskCount &&
           AskedCount == o.AskedCount && RightCount == o.RightCount && WrongCount == o.WrongCount &&
           SkipCount == o.SkipCount && PromptCount == o.PromptCount && MaxPoints == o.MaxPoints &&
           sameBits(Points, o.Points) && Reserved2 == o.Reserved2;
}

QDateTime TResultTest::ToDateTime(double days)
{
    return daysToDateTime(days);
}

double TResultTest::FromDateTime(const QDateTime& value)
{
    return dateTimeToDays(value);
}

} // namespace kvizor
