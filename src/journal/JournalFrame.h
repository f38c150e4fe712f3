#pragma once

#include "JournalFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMessageAuthenticationCode>

#include <cstdint>
#include <initializer_list>
#include <optional>

// The one place of the frame layout and its checks (see JournalFormat.h).
namespace kvizor::journal {

// The program's journal key, derived from the test-file key constants, so a journal is
// accepted only by a program built with the same key.
const QByteArray& ProgramKey();

// The 20 bytes every journal starts with.
QByteArray FileHeader();

// MAC chaining value before the first event.
QByteArray InitialChain(const QByteArray& key);

// Length, type and the CRC-32 that guards them.
QByteArray FrameHeader(std::uint8_t type, std::uint32_t payloadLength);

struct FrameHead
{
    std::uint32_t PayloadLength = 0;
    std::uint8_t Type = 0;
};
// nullopt when the guard does not match (a damaged length or type).
std::optional<FrameHead> ParseFrameHeader(const char* bytes);

// HMAC-SHA256 of one frame, fed piece by piece so a large payload is never copied.
class FrameMac
{
public:
    FrameMac(const QByteArray& key, const QByteArray& previousMac);

    void add(QByteArrayView bytes);
    QByteArray result() const { return m_code.result(); }

private:
    QMessageAuthenticationCode m_code;
};

// The MAC of a frame whose pieces are all in memory.
QByteArray MacOf(const QByteArray& key, const QByteArray& previousMac,
                 std::initializer_list<QByteArrayView> parts);

} // namespace kvizor::journal
