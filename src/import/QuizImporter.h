#pragma once

#include "model/Test.h"
#include "model/TestFileWriter.h"
#include "model/TestFormat.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QIODevice;

namespace kvizor {

enum class TQuizFormat
{
    Unknown,
    MoodleXml,
    Gift,
};

enum class TImportOutcome
{
    // At least one task was made.
    Imported,
    // A quiz, but none of its questions could become a task.
    NothingImported,
    NotAQuiz,
    NotWellFormed,
    ReadError,
};

struct TImportOptions
{
    // The test's title; empty: the source's name without its extension.
    QString Title;
    // Points taken off for a hint, given to every task that has one.
    std::int32_t HintPenalty = 0;
    // What the test may hold; the loader refuses more. A quiz beyond it is cut, a question
    // with a longer text left out, each with a warning.
    format::TTestLimits Limits;
};

// How a converted quiz is written: zlib level 4, not the editor's 9. Pictures are stored as
// hex in rich text, which level 9 compresses a third more slowly for about 1 % less size.
TWriterOptions ImportWriterOptions();

// The extensions of the sources the window and `kvf import` take (in upper case).
bool IsQuizSourceName(const QString& path);

// Moodle XML when the text starts with markup, GIFT when its marks are there (see
// LooksLikeGift); Unknown for anything else, binary data included.
TQuizFormat DetectQuizFormat(QByteArrayView data);

// A quiz of another system (Moodle XML or GIFT) converted into a test: the header, the task
// records (spooled, so memory holds one question at a time) and what was not carried over.
class TQuizImport
{
public:
    ~TQuizImport();
    TQuizImport(const TQuizImport&) = delete;
    TQuizImport& operator=(const TQuizImport&) = delete;

    // Reads the source file once; its format is recognised by content.
    static std::unique_ptr<TQuizImport> FromFile(const QString& path, const TImportOptions& options = {});
    // The same for a source in memory, known by name (which also gives the default title).
    static std::unique_ptr<TQuizImport> FromData(const QByteArray& data, const QString& name,
                                                 const TImportOptions& options = {});

    TImportOutcome outcome() const { return m_outcome; }
    bool imported() const { return m_outcome == TImportOutcome::Imported; }
    TQuizFormat format() const { return m_format; }
    // Why nothing was made (Russian, one line); empty when imported.
    QString message() const { return m_message; }
    // Every question left out and every detail not carried over, in source order.
    const QStringList& warnings() const { return m_warnings; }
    int taskCount() const { return m_taskCount; }
    const TTest& test() const { return *m_test; }
    // CRC-32 and size of the source as read.
    std::uint32_t sourceCrc() const { return m_sourceCrc; }

    // Writes the test file; throws WriteError. Only after an import.
    void write(QIODevice& out, const TWriterOptions& options = ImportWriterOptions());
    // Replaces the file at path only once it was written whole; throws WriteError.
    void writeToPath(const QString& path, const TWriterOptions& options = ImportWriterOptions());
    QByteArray toTestData(const TWriterOptions& options = ImportWriterOptions());

    class Builder;

private:
    struct Source;
    TQuizImport();
    void read(TQuizFormat format, QIODevice* xml, const QByteArray* gift, const Source& source,
              const TImportOptions& options);
    void readMoodle(QIODevice& source, Builder& builder);
    void readGift(const QByteArray& data, Builder& builder);
    void fail(TImportOutcome outcome, const QString& message);

    TImportOutcome m_outcome = TImportOutcome::NotAQuiz;
    TQuizFormat m_format = TQuizFormat::Unknown;
    QString m_message;
    QStringList m_warnings;
    int m_taskCount = 0;
    std::unique_ptr<TTest> m_test;
    std::unique_ptr<QIODevice> m_records;
    std::uint32_t m_sourceCrc = 0;
};

// The warnings as one text for a window: a heading naming the source, then one per line.
QString ImportWarningsText(const QString& sourceName, const QStringList& warnings);

} // namespace kvizor
