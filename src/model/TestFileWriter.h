#pragma once

#include "Scrambler.h"
#include "Task.h"
#include "Test.h"
#include "TestFormat.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

namespace kvizor {

// One file embedded in a test: its bytes, or the path of a file copied in while writing.
struct TWriterFile
{
    QString Name;
    QByteArray Bytes;
    // When set, the content is copied from this file through a bounded buffer.
    QString SourcePath;
};

struct TWriterOptions
{
    // The text after the magic word; the loader ignores it.
    QByteArray Text = QByteArrayLiteral("KvizorStudent");
    int Level = format::kZlibLevel;
    TScrambleKey Key = TestFileKey;
    // Off only to make foreign files in tests.
    bool Scramble = true;
};

// Writes a complete test file: magic word, text, then the zlib body with the header, the
// tasks and the embedded files, all scrambled. Throws WriteError when the device or a
// source file fails.
void WriteTestFile(QIODevice& out, const TTest& test, const TTaskList& tasks,
                   const std::vector<TWriterFile>& files, const TWriterOptions& options = {});
QByteArray WriteTestFileData(const TTest& test, const TTaskList& tasks,
                             const std::vector<TWriterFile>& files = {}, const TWriterOptions& options = {});
// Replaces the file at path only once it was written completely.
void WriteTestFileToPath(const QString& path, const TTest& test, const TTaskList& tasks,
                         const std::vector<TWriterFile>& files = {}, const TWriterOptions& options = {});

// Writes a test whose task records were serialised beforehand with TTask::SaveToStream:
// taskCount records, copied from `records` (current position to its end) through a bounded
// buffer, so a converter need not hold every task in memory. No embedded files.
void WriteTestFileWithRecords(QIODevice& out, const TTest& test, std::int32_t taskCount, QIODevice& records,
                              const TWriterOptions& options = {});

// Packs an already serialised body (header, tasks, files) into a test file; for fixtures
// that need bytes no model can express.
QByteArray PackTestBody(const QByteArray& body, const TWriterOptions& options = {});

} // namespace kvizor
