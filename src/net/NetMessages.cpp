#include "NetMessages.h"

#include "common/BinaryWriter.h"
#include "results/ResultTest.h"

#include <QBuffer>

namespace kvizor {
namespace {

// A block's bytes as the given fields write them.
template <typename WriteFields>
QByteArray buildBlock(WriteFields writeFields)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter out(buffer);
    writeFields(out);
    buffer.close();
    return bytes;
}

} // namespace

QByteArray buildInfoBeginBlock(const InfoBeginData& data)
{
    return buildBlock([&data](BinaryWriter& out) {
        out.writeLstr(data.RunGUID);
        out.writeLstr(data.UserName);
        out.writeLstr(data.UserGroup);
        out.writeLstr(data.ComputerName);
        out.writeLstr(data.ComputerUserName);
        out.writeLstr(data.TestTitle);
        out.writeLstr(data.TestFileName);
        out.writeUInt32(data.TestFileCRC);
        out.writeLstr(data.TestUId);
        out.writeInt32(data.TaskCount);
        out.writeInt32(data.MaxPoints);
    });
}

QByteArray buildInfoProcessBlock(const InfoProcessData& data)
{
    return buildBlock([&data](BinaryWriter& out) {
        out.writeLstr(data.RunGUID);
        out.writeInt32(data.AskedCount);
        out.writeInt32(data.RightCount);
        out.writeInt32(data.WrongCount);
        out.writeInt32(data.SkipCount);
        out.writeDouble(data.Points);
        out.writeInt32(data.AskedMaxPoints);
    });
}

InfoBeginData infoBeginOf(const TResultTest& run, const QString& runGuid)
{
    InfoBeginData data;
    data.RunGUID = runGuid;
    data.UserName = run.UserName;
    data.UserGroup = run.UserGroup;
    data.ComputerName = run.ComputerName;
    data.ComputerUserName = run.ComputerUserName;
    data.TestTitle = run.TestTitle;
    data.TestFileName = run.TestFileName;
    data.TestFileCRC = run.TestFileCRC;
    data.TestUId = run.TestUId;
    data.TaskCount = run.TaskCount;
    data.MaxPoints = run.MaxPoints;
    return data;
}

InfoProcessData infoProcessOf(const TResultTest& run, const QString& runGuid)
{
    InfoProcessData data;
    data.RunGUID = runGuid;
    data.AskedCount = run.AskedCount;
    data.RightCount = run.RightCount;
    data.WrongCount = run.WrongCount;
    data.SkipCount = run.SkipCount;
    data.Points = run.Points;
    data.AskedMaxPoints = run.AskedMaxPoints;
    return data;
}

QByteArray buildResultRecord(const TResultTest& run)
{
    return run.StoredBytes();
}

} // namespace kvizor
