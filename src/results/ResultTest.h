#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class QDateTime;

namespace kvizor {

class BinaryReader;
class BinaryWriter;

// Why a run ended; 0 while it is running.
enum TEndReason : std::uint8_t
{
    erNone = 0,
    erFinished = 1,
    erStopped = 2,
    erTimeOut = 3,
    erProgramClosed = 4,
};

// The record of one test run. The stored fields travel unchanged into the protected result
// file and to the test server; the working fields at the end serve the run only.
//
// Date-times are kept as the stored day count (days since 1899-12-30, local time) so a record
// read from a file is written back bit for bit.
class TResultTest
{
public:
    // The per-task arrays get testTaskCount entries of -1 (answers: empty texts).
    explicit TResultTest(int testTaskCount = 0);

    std::int32_t GetTaskResult(int i) const { return TaskResults.value(i, -1); }
    void SetTaskResult(int i, std::int32_t v);
    std::int32_t GetTaskSeconds(int i) const { return TaskSeconds.value(i, -1); }
    void SetTaskSeconds(int i, std::int32_t v);
    std::int32_t GetTaskPenalty(int i) const { return TaskPenalties.value(i, -1); }
    void SetTaskPenalty(int i, std::int32_t v);
    QString GetTaskAnswer(int i) const { return TaskAnswers.value(i); }
    void SetTaskAnswer(int i, const QString& text);
    void IncElapsedSeconds() { ++ElapsedSeconds; }

    // "k) entry " for every entry; empty for an empty array.
    QString GetResultMask() const;
    QString GetTimeMask() const;
    QString GetAnswerMask() const;
    QString GetPenaltyMask() const;

    // The stored layout, appended at the writer's position.
    void SaveToStream(BinaryWriter& writer) const;
    // The stored layout as bytes.
    QByteArray StoredBytes() const;
    // Replaces every stored field from one stored layout; throws FormatError on short or
    // impossible data (a count or length running past what can follow). The working fields
    // are left alone.
    void LoadFromStream(BinaryReader& reader);

    // The stored fields compare equal (the working fields are ignored).
    bool SameStoredFields(const TResultTest& other) const;

    static QDateTime ToDateTime(double days);
    static double FromDateTime(const QDateTime& value);

    // Stored fields, in stored order.
    QString UserName;
    QString UserGroup;
    QString ComputerName;
    QString ComputerUserName;
    QString Reserved1;
    double StartTime = 0;
    double EndTime = 0;
    std::int32_t ElapsedSeconds = 0;
    double TestDate = 0;
    QString TestTitle;
    QString TestFileName;
    std::uint32_t TestFileCRC = 0;
    QString TestUId;
    QList<std::int32_t> TaskResults;
    QList<std::int32_t> TaskSeconds;
    QStringList TaskAnswers;
    QList<std::int32_t> TaskPenalties;
    std::uint8_t EndReason = erNone;
    std::int32_t MarkValue = 0;
    QString MarkName;
    std::int32_t MarkCount = 0;
    std::int32_t TaskCount = 0;
    std::int32_t AskedCount = 0;
    std::int32_t RightCount = 0;
    std::int32_t WrongCount = 0;
    std::int32_t SkipCount = 0;
    std::int32_t PromptCount = 0;
    std::int32_t MaxPoints = 0;
    double Points = 0;
    QString Reserved2;

    // Working fields, not stored.
    std::int32_t AskedMaxPoints = 0;
    QList<int> TaskOrder;
    int CurrentPos = 0;
    QList<int> VariantOrder;
    QList<int> TaskStates;
};

} // namespace kvizor
