#include "TestFileWriter.h"

#include "common/BinaryWriter.h"
#include "common/FormatError.h"
#include "TestFormat.h"
#include "WriteLayers.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <limits>
#include <optional>

namespace kvizor {
namespace {

void writeEmbeddedFile(BinaryWriter& body, const TWriterFile& file)
{
    body.writeLstr(file.Name);
    if (file.SourcePath.isEmpty()) {
        if (file.Bytes.size() > std::numeric_limits<std::int32_t>::max())
            throw WriteError("embedded file too large");
        body.writeInt32(static_cast<std::int32_t>(file.Bytes.size()));
        body.writeBytes(file.Bytes);
        return;
    }
    QFile source(file.SourcePath);
    if (!source.open(QIODevice::ReadOnly))
        throw WriteError((file.SourcePath + QStringLiteral(": ") + source.errorString()).toStdString());
    if (source.size() > std::numeric_limits<std::int32_t>::max())
        throw WriteError("embedded file too large");
    std::int64_t left = source.size();
    body.writeInt32(static_cast<std::int32_t>(left));
    QByteArray buffer(format::kStreamChunk, Qt::Uninitialized);
    while (left > 0) {
        const qint64 got = source.read(buffer.data(), std::min<qint64>(left, buffer.size()));
        if (got <= 0)
            throw WriteError((file.SourcePath + QStringLiteral(": ") + source.errorString()).toStdString());
        body.writeBytes(QByteArrayView(buffer.constData(), got));
        left -= got;
    }
}

// Writes magic word, text and the compressed body produced by writeBody.
template <typename WriteBody>
void writeFile(QIODevice& out, const TWriterOptions& options, WriteBody writeBody)
{
    std::optional<ScrambleWriteDevice> scrambler;
    if (options.Scramble)
        scrambler.emplace(out, options.Key);
    QIODevice& stored = scrambler ? static_cast<QIODevice&>(*scrambler) : out;
    BinaryWriter head(stored);
    head.writeBytes(QByteArrayView(format::kMagic, format::kMagicSize));
    head.writeLstrBytes(options.Text);
    DeflateWriteDevice deflater(stored, options.Level);
    BinaryWriter body(deflater);
    writeBody(body);
    if (!deflater.finish())
        throw WriteError(deflater.errorString().toStdString());
}

} // namespace

void WriteTestFile(QIODevice& out, const TTest& test, const TTaskList& tasks,
                   const std::vector<TWriterFile>& files, const TWriterOptions& options)
{
    writeFile(out, options, [&](BinaryWriter& body) {
        test.SaveToStream(body);
        body.writeInt32(static_cast<std::int32_t>(tasks.size()));
        for (const auto& task : tasks)
            task->SaveToStream(body);
        body.writeInt32(static_cast<std::int32_t>(files.size()));
        for (const TWriterFile& file : files)
            writeEmbeddedFile(body, file);
    });
}

void WriteTestFileWithRecords(QIODevice& out, const TTest& test, std::int32_t taskCount, QIODevice& records,
                              const TWriterOptions& options)
{
    writeFile(out, options, [&](BinaryWriter& body) {
        test.SaveToStream(body);
        body.writeInt32(taskCount);
        QByteArray buffer(format::kStreamChunk, Qt::Uninitialized);
        for (;;) {
            const qint64 got = records.read(buffer.data(), buffer.size());
            if (got < 0)
                throw WriteError(records.errorString().toStdString());
            if (got == 0)
                break;
            body.writeBytes(QByteArrayView(buffer.constData(), got));
        }
        body.writeInt32(0);
    });
}

QByteArray WriteTestFileData(const TTest& test, const TTaskList& tasks, const std::vector<TWriterFile>& files,
                             const TWriterOptions& options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteTestFile(buffer, test, tasks, files, options);
    return buffer.data();
}

void WriteTestFileToPath(const QString& path, const TTest& test, const TTaskList& tasks,
                         const std::vector<TWriterFile>& files, const TWriterOptions& options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw WriteError((path + QStringLiteral(": ") + file.errorString()).toStdString());
    WriteTestFile(file, test, tasks, files, options);
    if (!file.commit())
        throw WriteError((path + QStringLiteral(": ") + file.errorString()).toStdString());
}

QByteArray PackTestBody(const QByteArray& body, const TWriterOptions& options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeFile(buffer, options, [&](BinaryWriter& writer) { writer.writeBytes(body); });
    return buffer.data();
}

} // namespace kvizor
