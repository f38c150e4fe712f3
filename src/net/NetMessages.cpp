#include "NetMessages.h"

#include "common/BinaryWriter.h"

#include <QBuffer>

namespace kvizor {

QByteArray buildInfoBeginBlock(const InfoBeginData& data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter out(buffer);
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
    buffer.close();
    return bytes;
}

QByteArray buildInfoProcessBlock(const InfoProcessData& data)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter out(buffer);
    out.writeLstr(data.RunGUID);
    out.writeInt32(data.AskedCount);
    out.writeInt32(data.RightCount);
    out.writeInt32(data.WrongCount);
    out.writeInt32(data.SkipCount);
    out.writeDouble(data.Points);
    out.writeInt32(data.AskedMaxPoints);
    buffer.close();
    return bytes;
}

} // namespace kvizor
