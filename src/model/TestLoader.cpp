#include "TestLoader.h"

#include "common/BinaryReader.h"
#include "common/FormatError.h"
#include "Crc32.h"
#include "StreamLayers.h"
#include "TestFormat.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <new>

namespace kvizor {
namespace {

// Any failure of the body, turned into "Ошибка загрузки теста!" by the caller.
[[noreturn]] void failLoad(const QString& reason)
{
    throw FormatError(reason.toStdString());
}

// Copies exactly size bytes from the body into a new file, through one bounded buffer.
void copyEmbeddedFile(QIODevice& body, const QString& path, std::int64_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failLoad(file.errorString());
    std::vector<char> buffer(static_cast<std::size_t>(std::min(size, format::kStreamChunk)));
    while (size > 0) {
        const qint64 step = std::min<qint64>(size, static_cast<qint64>(buffer.size()));
        const qint64 got = body.read(buffer.data(), step);
        if (got <= 0)
            failLoad(QStringLiteral("embedded file ends early"));
        if (file.write(buffer.data(), got) != got)
            failLoad(file.errorString());
        size -= got;
    }
    if (!file.flush())
        failLoad(file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        failLoad(file.errorString());
}

// Reads the body (after the magic word and the ignored text) into result. Returns false
// when the password step ended the load; result.Outcome then says how.
bool readBody(QIODevice& unscrambled, const TPasswordPrompt& askPassword, const TLoadOptions& options,
              TLoadResult& result)
{
    const format::TTestLimits& limits = options.Limits;
    InflateDevice body(unscrambled);
    BinaryReader reader(body);
    reader.limitStrings(limits.TextBytes, limits.AllTextBytes);
    TTest& test = *result.Test;
    test.LoadFromStream(reader, limits);

    if (!test.OpenPassword.isEmpty()) {
        const std::optional<QString> entered = askPassword ? askPassword() : std::nullopt;
        if (!entered) {
            result.Outcome = TLoadOutcome::Cancelled;
            return false;
        }
        // Compared exactly: letter case counts, nothing trimmed.
        if (*entered != test.OpenPassword) {
            result.Outcome = TLoadOutcome::WrongPassword;
            return false;
        }
    }

    // Counts are checked before anything is made for them: every task costs its fixed size
    // however little of the file it takes.
    const std::int32_t taskCount = reader.readInt32();
    if (taskCount < 0)
        failLoad(QStringLiteral("negative task count"));
    if (taskCount > limits.Tasks)
        failLoad(QStringLiteral("more tasks than a test may hold"));
    for (std::int32_t i = 0; i < taskCount; ++i) {
        auto task = std::make_unique<TTask>(0);
        task->LoadFromStream(reader);
        result.Tasks.push_back(std::move(task));
    }

    const std::int32_t fileCount = reader.readInt32();
    if (fileCount < 0)
        failLoad(QStringLiteral("negative embedded file count"));
    if (fileCount > limits.EmbeddedFiles)
        failLoad(QStringLiteral("more embedded files than a test may hold"));
    std::int64_t total = 0;
    // Names differing only in letter case are one file, written under its first name, so a
    // later entry overwrites it as it did where the tests were made.
    QHash<QString, QString> written;
    for (std::int32_t i = 0; i < fileCount; ++i) {
        const QString name = reader.readLstr();
        if (!IsValidEmbeddedName(name))
            failLoad(QStringLiteral("unsafe embedded file name"));
        const std::int32_t size = reader.readInt32();
        if (size < 0)
            failLoad(QStringLiteral("negative embedded file size"));
        total += size;
        if (total > limits.EmbeddedBytes)
            failLoad(QStringLiteral("embedded files too large"));
        const QString key = EmbeddedNameKey(name);
        if (!written.contains(key))
            written.insert(key, name);
        copyEmbeddedFile(body, test.TempFolder + written.value(key), size);
        result.Files.push_back({name, size});
    }
    // Whatever follows the last file is ignored, but the compressed stream must end intact:
    // a damaged or cut file never loads, however far the damage lies from the start.
    std::vector<char> rest(static_cast<std::size_t>(format::kStreamChunk));
    while (body.read(rest.data(), format::kStreamChunk) > 0) {
    }
    if (body.failed() || !body.finished())
        failLoad(QStringLiteral("compressed data damaged or cut"));
    return true;
}

// The common path of file and memory loading, from the first stored byte on. crcOf is
// asked for the file's CRC once the body was read.
TLoadResult loadFrom(const QString& name, QIODevice& stored, const TPasswordPrompt& askPassword,
                     const TLoadOptions& options, const std::function<std::uint32_t()>& crcOf)
{
    TLoadResult result;
    try {
        result.Test = std::make_unique<TTest>();
        result.Test->FileName = name;

        DescrambleDevice unscrambled(stored, TestFileKey);
        char magic[format::kMagicSize];
        const qint64 got = unscrambled.read(magic, format::kMagicSize);
        if (got < 0)
            failLoad(unscrambled.errorString());
        if (got != format::kMagicSize || std::memcmp(magic, format::kMagic, format::kMagicSize) != 0) {
            result.Outcome = TLoadOutcome::WrongType;
        } else {
            BinaryReader header(unscrambled);
            const std::int32_t length = header.readInt32();
            if (length < 0)
                failLoad(QStringLiteral("negative length"));
            header.skip(length);
            if (readBody(unscrambled, askPassword, options, result)) {
                result.Test->FileCRC = crcOf();
                result.Test->CountTasksToAsk(result.Tasks);
                result.Outcome = TLoadOutcome::Loaded;
            }
        }
    } catch (const std::bad_alloc&) {
        result.Outcome = TLoadOutcome::LoadError;
        result.Detail = QStringLiteral("out of memory");
    } catch (const std::exception& error) {
        result.Outcome = TLoadOutcome::LoadError;
        result.Detail = QString::fromLocal8Bit(error.what());
    }
    if (result.Outcome != TLoadOutcome::Loaded) {
        // Nothing half-loaded: the test and its folder with the pictures so far go away.
        result.Tasks.clear();
        result.Files.clear();
        result.Test.reset();
    }
    return result;
}

} // namespace

QString LoadOutcomeMessage(TLoadOutcome outcome)
{
    switch (outcome) {
    case TLoadOutcome::WrongType:
        return QStringLiteral("Неверный тип файла с тестом!");
    case TLoadOutcome::WrongPassword:
        return QStringLiteral("Неверный пароль!");
    case TLoadOutcome::LoadError:
        return QStringLiteral("Ошибка загрузки теста!");
    case TLoadOutcome::Loaded:
    case TLoadOutcome::Nothing:
    case TLoadOutcome::Cancelled:
        break;
    }
    return {};
}

TLoadResult LoadTestFile(const QString& fileName, const TPasswordPrompt& askPassword,
                         const TLoadOptions& options)
{
    if (fileName.isEmpty())
        return {};
    const QFileInfo info(fileName);
    if (!info.exists() || info.isDir())
        return {};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        TLoadResult result;
        result.Outcome = TLoadOutcome::LoadError;
        result.Detail = file.errorString();
        return result;
    }
    return LoadTestDevice(fileName, file, askPassword, options);
}

TLoadResult LoadTestDevice(const QString& name, QIODevice& device, const TPasswordPrompt& askPassword,
                           const TLoadOptions& options)
{
    if (name.isEmpty())
        return {};
    CrcReadDevice crcLayer(device);
    return loadFrom(name, crcLayer, askPassword, options, [&] {
        // The CRC covers the whole file as stored, bytes after the body included.
        if (!crcLayer.drain())
            failLoad(crcLayer.errorString());
        return crcLayer.crc();
    });
}

TLoadResult LoadTestData(const QString& name, const QByteArray& data, const TPasswordPrompt& askPassword,
                         qint64 from, const TLoadOptions& options)
{
    if (name.isEmpty())
        return {};
    QBuffer stored;
    stored.setData(data);
    stored.open(QIODevice::ReadOnly);
    stored.seek(std::clamp<qint64>(from, 0, data.size()));
    return loadFrom(name, stored, askPassword, options, [&] { return BufferCRC32(data); });
}

TLoadResult LoadTestStream(const QString& name, const QBuffer& stream, const TPasswordPrompt& askPassword)
{
    return LoadTestData(name, stream.data(), askPassword, stream.pos());
}

} // namespace kvizor
