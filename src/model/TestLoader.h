#pragma once

#include "EmbeddedNames.h"
#include "Task.h"
#include "Test.h"
#include "TestFormat.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QBuffer;
class QIODevice;

namespace kvizor {

enum class TLoadOutcome
{
    Loaded,
    // Empty name or no such file: nothing is reported.
    Nothing,
    WrongType,
    // The opening password prompt was cancelled: nothing is reported.
    Cancelled,
    WrongPassword,
    LoadError,
};

// The message the program shows for an outcome; empty for the silent ones.
QString LoadOutcomeMessage(TLoadOutcome outcome);

// Asks the opening password; std::nullopt when the prompt was cancelled or closed.
using TPasswordPrompt = std::function<std::optional<QString>()>;

struct TEmbeddedFile
{
    QString Name;
    std::int64_t Size = 0;
};

struct TLoadResult
{
    TLoadOutcome Outcome = TLoadOutcome::Nothing;
    // Present only when Outcome is Loaded; the pictures are in Test->TempFolder.
    std::unique_ptr<TTest> Test;
    TTaskList Tasks;
    // The embedded files in the order stored.
    std::vector<TEmbeddedFile> Files;
    // Why a load failed, for diagnostics; never shown to the examinee.
    QString Detail;

    bool loaded() const { return Outcome == TLoadOutcome::Loaded; }
    QString message() const { return LoadOutcomeMessage(Outcome); }
};

struct TLoadOptions
{
    // More than these is refused with the load failure message.
    format::TTestLimits Limits;
};

// Loads a test file from disk, reading it once through bounded buffers.
TLoadResult LoadTestFile(const QString& fileName, const TPasswordPrompt& askPassword,
                         const TLoadOptions& options = {});
// Loads a test file received in memory: the bytes from `from` to the end are the file; the
// CRC covers the whole block. name is the name the test is known by and must not be empty.
TLoadResult LoadTestData(const QString& name, const QByteArray& data, const TPasswordPrompt& askPassword,
                         qint64 from = 0, const TLoadOptions& options = {});
// Loads a test file from a device (a received test kept in a temporary file): the bytes from
// its current position to its end are the file and its CRC. name is the name the test is
// known by and must not be empty.
TLoadResult LoadTestDevice(const QString& name, QIODevice& device, const TPasswordPrompt& askPassword,
                           const TLoadOptions& options = {});
// The same for a memory stream, read from its current position.
TLoadResult LoadTestStream(const QString& name, const QBuffer& stream, const TPasswordPrompt& askPassword);

} // namespace kvizor
