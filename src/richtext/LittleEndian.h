#pragma once

#include <QByteArrayView>
#include <QtEndian>

// Fields of metafile and bitmap records; the caller has checked that they lie inside.
namespace kvizor::metafile {

inline quint32 le32(QByteArrayView d, qsizetype at)
{
    return qFromLittleEndian<quint32>(d.data() + at);
}

inline quint16 le16(QByteArrayView d, qsizetype at)
{
    return qFromLittleEndian<quint16>(d.data() + at);
}

} // namespace kvizor::metafile
