#include "ProtectedResultFile.h"

#include "SharedFileWriter.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "model/StreamLayers.h"
#include "model/WriteLayers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>
#include <memory>

namespace kvizor {

void ReadProtectedResults(QIODevice& file, const std::function<void(const TResultTest&)>& each)
{
    const QByteArray magic = file.read(kProtectionResultMagicSize);
    if (magic != kProtectionResultMagic)
        throw WrongFileTypeError("not a protected result file");

    InflateDevice inflater(file);
    BinaryReader reader(inflater);
    reader.readInt32(); // reserved
    const std::int32_t count = reader.readInt32();
    if (count < 0)
        throw FormatError("negative record count");
    TResultTest record;
    for (std::int32_t k = 0; k < count; ++k) {
        record.LoadFromStream(reader);
        each(record);
    }
    // The rest of the stream is read too, so a damaged tail (or checksum) counts as damage.
    char rest[4096];
    while (inflater.read(rest, sizeof rest) > 0) {
    }
    if (inflater.failed() || !inflater.finished())
        throw FormatError("damaged compressed data");
}

QList<TResultTest> LoadProtectedResults(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FormatError(file.errorString().toStdString());
    QList<TResultTest> records;
    ReadProtectedResults(file, [&records](const TResultTest& r) { records.append(r); });
    return records;
}

struct ProtectedResultWriter::State
{
    State(QIODevice& out, std::int32_t n)
        : deflater(out, kProtectionResultLevel), writer(deflater), expected(n)
    {
    }

    DeflateWriteDevice deflater;
    BinaryWriter writer;
    std::int32_t expected;
    std::int32_t written = 0;
};

ProtectedResultWriter::ProtectedResultWriter(QIODevice& out, std::int32_t count)
{
    if (count < 0)
        throw FormatError("negative record count");
    BinaryWriter(out).writeBytes(kProtectionResultMagic);
    d = std::make_unique<State>(out, count);
    d->writer.writeInt32(0);
    d->writer.writeInt32(count);
}

ProtectedResultWriter::~ProtectedResultWriter() = default;

void ProtectedResultWriter::add(const TResultTest& record)
{
    if (d->written >= d->expected)
        throw FormatError("more records than announced");
    record.SaveToStream(d->writer);
    ++d->written;
}

void ProtectedResultWriter::addStored(QByteArrayView stored)
{
    if (d->written >= d->expected)
        throw FormatError("more records than announced");
    d->writer.writeBytes(stored);
    ++d->written;
}

void ProtectedResultWriter::finish()
{
    if (d->written != d->expected)
        throw FormatError("fewer records than announced");
    if (!d->deflater.finish())
        throw WriteError(d->deflater.errorString().toStdString());
}

void WriteProtectedResults(QIODevice& out, const QList<TResultTest>& records)
{
    ProtectedResultWriter writer(out, static_cast<std::int32_t>(records.size()));
    for (const TResultTest& r : records)
        writer.add(r);
    writer.finish();
}

namespace {

// Only the record count is needed before the new file can be started; the records are then
// read, checked and copied one at a time.
std::int32_t peekRecordCount(QIODevice& file)
{
    if (file.read(kProtectionResultMagicSize) != kProtectionResultMagic)
        throw WrongFileTypeError("not a protected result file");
    InflateDevice inflater(file);
    BinaryReader reader(inflater);
    reader.readInt32();
    const std::int32_t count = reader.readInt32();
    if (count < 0)
        throw FormatError("negative record count");
    return count;
}

void writeNewFile(QIODevice& out, QFile* old, const QByteArray& stored)
{
    std::int32_t earlier = 0;
    if (old) {
        earlier = peekRecordCount(*old);
        if (earlier == std::numeric_limits<std::int32_t>::max())
            throw FormatError("record count would overflow");
        if (!old->seek(0))
            throw FormatError(old->errorString().toStdString());
    }
    ProtectedResultWriter writer(out, earlier + 1);
    if (old)
        ReadProtectedResults(*old, [&writer](const TResultTest& r) { writer.add(r); });
    writer.addStored(stored);
    writer.finish();
}

ProtectionSaveStatus saveUnlocked(const QString& path, const QByteArray& stored,
                                  const ProtectionDeviceWrapper& wrapper)
{
    try {
        std::unique_ptr<QFile> old;
        const QFileInfo info(path);
        if (info.exists()) {
            old = std::make_unique<QFile>(path);
            if (info.isDir() || !old->open(QIODevice::ReadOnly))
                return ProtectionSaveStatus::WriteFailed;
            // The magic is checked before anything is written.
            if (old->read(kProtectionResultMagicSize) != kProtectionResultMagic)
                return ProtectionSaveStatus::WrongFileType;
            if (!old->seek(0))
                return ProtectionSaveStatus::WriteFailed;
        }

        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return ProtectionSaveStatus::WriteFailed;
        std::unique_ptr<QIODevice> wrapped = wrapper ? wrapper(out) : nullptr;
        writeNewFile(wrapped ? *wrapped : static_cast<QIODevice&>(out), old.get(), stored);
        wrapped.reset();
        if (old)
            old->close();
        // QSaveFile replaces the old file only here, and only when every write succeeded.
        if (!out.commit())
            return ProtectionSaveStatus::WriteFailed;
        return ProtectionSaveStatus::Saved;
    } catch (const WrongFileTypeError&) {
        return ProtectionSaveStatus::WrongFileType;
    } catch (const std::exception&) {
        return ProtectionSaveStatus::WriteFailed;
    }
}

// The save of record, its bytes made here; it fills status wherever it runs.
SharedFileWrite protectionWrite(const TResultTest& record, const ProtectionDeviceWrapper& wrapper,
                                const std::shared_ptr<ProtectionSaveStatus>& status)
{
    return [stored = record.StoredBytes(), wrapper, status](const QString& path) {
        *status = saveUnlocked(path, stored, wrapper);
    };
}

ProtectionSaveResult resultOf(const QString& target, const SharedWriteRoute& route,
                              ProtectionSaveStatus status)
{
    ProtectionSaveResult result;
    result.Target = target;
    result.Path = route.Path;
    result.Status = status;
    if (route.Abandoned)
        result.Status = ProtectionSaveStatus::Abandoned;
    else if (route.Diverted && status == ProtectionSaveStatus::Saved)
        result.Status = ProtectionSaveStatus::Diverted;
    return result;
}

} // namespace

ProtectionSaveResult SaveProtectionResult(const QString& folder, const QString& fileName,
                                          const TResultTest& record, const ProtectionSaveOptions& options)
{
    const QString target = QDir(folder).filePath(fileName);
    const auto status = std::make_shared<ProtectionSaveStatus>(ProtectionSaveStatus::WriteFailed);
    const SharedWriteRoute route =
        WriteSharedFile(target, options.Shared, protectionWrite(record, options.Wrapper, status));
    return resultOf(target, route, *status);
}

void SaveProtectionResult(SharedFileWriter& writer, const QString& folder, const QString& fileName,
                          const TResultTest& record, const ProtectionSaveOptions& options,
                          const std::function<void(const ProtectionSaveResult&)>& finished)
{
    const QString target = QDir(folder).filePath(fileName);
    const auto status = std::make_shared<ProtectionSaveStatus>(ProtectionSaveStatus::WriteFailed);
    writer.Start(target, options.Shared, protectionWrite(record, options.Wrapper, status),
                 [target, status, finished](const SharedWriteRoute& route) {
                     finished(resultOf(target, route, *status));
                 });
}

QString ProtectionSaveMessage(const ProtectionSaveResult& result)
{
    switch (result.Status) {
    case ProtectionSaveStatus::Saved:
    case ProtectionSaveStatus::Abandoned:
        return QString();
    case ProtectionSaveStatus::Diverted:
        return SharedFileDivertedMessage(result.Target, result.Path);
    case ProtectionSaveStatus::WrongFileType:
        return kWrongFileTypeText;
    case ProtectionSaveStatus::WriteFailed:
        break;
    }
    return kProtectionWriteErrorText;
}

} // namespace kvizor
