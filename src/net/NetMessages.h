#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The blocks the workstation sends to the test server and the texts it shows
// for the exchanges.
namespace kvizor {

class TResultTest;

// What INFOBEGIN tells the server about a run that has just begun.
struct InfoBeginData
{
    QString RunGUID;
    QString UserName;
    QString UserGroup;
    QString ComputerName;
    QString ComputerUserName;
    QString TestTitle;
    QString TestFileName;
    std::uint32_t TestFileCRC = 0;
    QString TestUId;
    std::int32_t TaskCount = 0;
    std::int32_t MaxPoints = 0;
};

// The counters of a run right after a task was evaluated.
struct InfoProcessData
{
    QString RunGUID;
    std::int32_t AskedCount = 0;
    std::int32_t RightCount = 0;
    std::int32_t WrongCount = 0;
    std::int32_t SkipCount = 0;
    double Points = 0.0;
    std::int32_t AskedMaxPoints = 0;
};

QByteArray buildInfoBeginBlock(const InfoBeginData& data);
// 70 bytes with a 38-character GUID.
QByteArray buildInfoProcessBlock(const InfoProcessData& data);

// The fields of a run record that the two progress messages carry.
InfoBeginData infoBeginOf(const TResultTest& run, const QString& runGuid);
InfoProcessData infoProcessOf(const TResultTest& run, const QString& runGuid);
// The RESULT block: the record in its stored layout, neither compressed nor scrambled.
QByteArray buildResultRecord(const TResultTest& run);

namespace nettext {

// Every failed exchange.
inline QString errorCaption()
{
    return QStringLiteral("Ошибка!");
}
inline QString noConnection()
{
    return QStringLiteral("Нет связи с сервером!");
}
// The server answered GETTEST with anything but "YES". Shown in a plain box with
// the application's title as caption.
inline QString testRefused()
{
    return QStringLiteral("Отказано в получении теста");
}

} // namespace nettext

} // namespace kvizor
