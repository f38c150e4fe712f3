#pragma once

#include "ResultTest.h"
#include "SharedResultFile.h"

#include "common/FormatError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace kvizor {

class SharedFileWriter;

// The protected result file: the 22-byte magic text, then one zlib stream (level 9) holding
// int32 reserved (0), int32 record count N and N records in the stored layout, oldest first.
inline const QByteArray kProtectionResultMagic = QByteArrayLiteral("KvizorProtectionResult");
inline constexpr int kProtectionResultMagicSize = 22;
inline constexpr int kProtectionResultLevel = 9;
inline const QString kDefaultProtectionResultFileName = QStringLiteral("KvizorStudent_ProtectionResult.kvpr");

inline const QString kWrongFileTypeText = QStringLiteral("Неверный тип файла!");
inline const QString kProtectionWriteErrorText =
    QStringLiteral("Ошибка записи в защищенный файл результатов.");

// The file does not start with the magic text (a file shorter than it included).
class WrongFileTypeError : public FormatError
{
public:
    using FormatError::FormatError;
};

// Reads a whole protected result file from its start and calls each for every record in
// file order. Throws WrongFileTypeError for a wrong magic text and FormatError for damaged
// data: a stream inflate rejects, a count or length running past the data, a negative
// record count. Memory use does not grow with the number of records.
void ReadProtectedResults(QIODevice& file, const std::function<void(const TResultTest&)>& each);

// All records of the file at path; throws as above, and FormatError when it cannot be read.
QList<TResultTest> LoadProtectedResults(const QString& path);

// Writes a protected result file to out record by record: the magic and the header at
// construction, then exactly count records, then finish(). Throws WriteError when out
// refuses bytes, FormatError when the number of records added differs from count.
class ProtectedResultWriter
{
public:
    ProtectedResultWriter(QIODevice& out, std::int32_t count);
    ~ProtectedResultWriter();
    ProtectedResultWriter(const ProtectedResultWriter&) = delete;
    ProtectedResultWriter& operator=(const ProtectedResultWriter&) = delete;

    void add(const TResultTest& record);
    // A record already in its stored layout (SaveToStream's bytes).
    void addStored(QByteArrayView stored);
    void finish();

private:
    struct State;
    std::unique_ptr<State> d;
};

// A complete file holding records.
void WriteProtectedResults(QIODevice& out, const QList<TResultTest>& records);

enum class ProtectionSaveStatus
{
    Saved,
    // The file stayed locked by another program; the record was saved to another file.
    Diverted,
    // The existing file is of another kind; it was left alone.
    WrongFileType,
    // Reading, checking or writing failed; the file was left as it was.
    WriteFailed,
    // The wait for the file's lock was abandoned; nothing was written.
    Abandoned,
};

struct ProtectionSaveResult
{
    ProtectionSaveStatus Status = ProtectionSaveStatus::WriteFailed;
    // The file the record was written to, or whose writing failed.
    QString Path;
    // The file the record belonged in.
    QString Target;
};

// Lets a test put a device between the writer and the file (for example one that fails
// after some bytes). It receives the file being written and returns the device to write to.
using ProtectionDeviceWrapper = std::function<std::unique_ptr<QIODevice>(QIODevice& file)>;

struct ProtectionSaveOptions
{
    SharedWriteOptions Shared;
    ProtectionDeviceWrapper Wrapper;
};

// Adds record to the protected result file folder/fileName, creating the file when missing.
// The whole read-modify-write holds the file's lock, so programs sharing the folder never
// lose each other's records; a file locked for too long sends the record to the fallback
// folder (see WriteSharedFile). Every earlier record is checked and carried over; the new
// file replaces the old one atomically only when it was written completely, so every
// failure leaves the old file byte for byte as it was.
ProtectionSaveResult SaveProtectionResult(const QString& folder, const QString& fileName,
                                          const TResultTest& record,
                                          const ProtectionSaveOptions& options = {});
// The same through writer: the record's bytes are made here, and the save is done before this
// returns when the file's lock is free, else the wait goes on writer's thread and finished
// comes from the event loop.
void SaveProtectionResult(SharedFileWriter& writer, const QString& folder, const QString& fileName,
                          const TResultTest& record, const ProtectionSaveOptions& options,
                          const std::function<void(const ProtectionSaveResult&)>& finished);

// The message for a save that did not go to its own file, as the program shows it; empty
// for Saved and Abandoned.
QString ProtectionSaveMessage(const ProtectionSaveResult& result);

} // namespace kvizor
