#include "JournalFrame.h"

#include "model/Crc32.h"
#include "model/TestFormat.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace kvizor::journal {

const QByteArray& ProgramKey()
{
    static const QByteArray key = [] {
        char constants[8];
        qToLittleEndian<qint32>(format::KeySeed, constants);
        qToLittleEndian<quint32>(format::KeyModulus, constants + 4);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(QByteArrayView("KvizorStudent run journal key"));
        hash.addData(QByteArrayView(constants, 8));
        return hash.result();
    }();
    return key;
}

QByteArray FileHeader()
{
    QByteArray header = kMagic;
    char version[4];
    qToLittleEndian<quint32>(kVersion, version);
    header.append(version, 4);
    return header;
}

QByteArray InitialChain(const QByteArray& key)
{
    return QMessageAuthenticationCode::hash(FileHeader(), key, QCryptographicHash::Sha256);
}

QByteArray FrameHeader(std::uint8_t type, std::uint32_t payloadLength)
{
    char raw[kFrameHeaderSize];
    qToLittleEndian<quint32>(payloadLength, raw);
    raw[4] = static_cast<char>(type);
    qToLittleEndian<quint32>(BufferCRC32(raw, 5), raw + 5);
    return QByteArray(raw, kFrameHeaderSize);
}

std::optional<FrameHead> ParseFrameHeader(const char* bytes)
{
    if (qFromLittleEndian<quint32>(bytes + 5) != BufferCRC32(bytes, 5))
        return std::nullopt;
    return FrameHead{qFromLittleEndian<quint32>(bytes), static_cast<std::uint8_t>(bytes[4])};
}

FrameMac::FrameMac(const QByteArray& key, const QByteArray& previousMac)
    : m_code(QCryptographicHash::Sha256, key)
{
    m_code.addData(previousMac);
}

void FrameMac::add(QByteArrayView bytes)
{
    m_code.addData(bytes.data(), bytes.size());
}

QByteArray MacOf(const QByteArray& key, const QByteArray& previousMac,
                 std::initializer_list<QByteArrayView> parts)
{
    FrameMac mac(key, previousMac);
    for (const QByteArrayView part : parts)
        mac.add(part);
    return mac.result();
}

} // namespace kvizor::journal
