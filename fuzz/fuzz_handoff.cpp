// Feeds arbitrary bytes, cut into arbitrary pieces, to the reader of hand-off frames that
// another process sends to the first instance.

#include "platform/HandOffFrame.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using kvizor::handoff::FrameDecoder;
    if (size == 0)
        return 0;
    // The first byte chooses the piece size, as bytes arrive in pieces from a socket.
    const std::size_t piece = 1 + data[0] % 16;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));

    FrameDecoder pieces;
    for (qsizetype at = 0; at < bytes.size(); at += static_cast<qsizetype>(piece))
        pieces.feed(bytes.sliced(at, qMin(static_cast<qsizetype>(piece), bytes.size() - at)));
    FrameDecoder whole;
    whole.feed(bytes);

    // However the bytes arrive, the outcome is the same.
    if (pieces.state() != whole.state() || pieces.message() != whole.message())
        std::abort();
    if (whole.state() == FrameDecoder::State::Complete &&
        kvizor::handoff::EncodeFrame(whole.message()).size() >
            kvizor::handoff::HeaderSize + 3 * qsizetype(kvizor::handoff::MaxMessageBytes))
        std::abort();
    return 0;
}
