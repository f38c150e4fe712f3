// The reply reader of the test-server client, fed from bytes as a hostile server
// would send them, keeping the block in memory and passing it on as it arrives. The
// first byte picks the size of the pieces the bytes arrive in.
#include "common/FormatError.h"
#include "net/WireFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using kvizor::FormatError;
using namespace kvizor::wire;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = 1 + data[0] % 97;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size) - 1);

    GetTestReplyReader reply;
    try {
        for (qsizetype at = 0; at < bytes.size() && !reply.isFinished(); at += piece) {
            const QByteArrayView chunk = bytes.sliced(at, std::min(piece, bytes.size() - at));
            const qsizetype taken = reply.feed(chunk);
            if (taken < 0 || taken > chunk.size())
                std::abort();
            if (taken < chunk.size() && !reply.isFinished())
                std::abort();
        }
        if (reply.state() == GetTestReplyReader::State::Done) {
            if (reply.replyLine() != "YES" || reply.nameBytes().size() > MaxLineLength)
                std::abort();
            (void)reply.fileName();
        }
        if (reply.block().size() > bytes.size())
            std::abort();
    } catch (const FormatError&) {
    }

    // The same reply with the block passed on as it arrives (to a file in the client):
    // the sink sees exactly the announced bytes, the reader keeps none.
    GetTestReplyReader streamed;
    std::int64_t passedOn = 0;
    streamed.setBlockSink([&passedOn](QByteArrayView block) { passedOn += block.size(); });
    try {
        for (qsizetype at = 0; at < bytes.size() && !streamed.isFinished(); at += piece)
            streamed.feed(bytes.sliced(at, std::min(piece, bytes.size() - at)));
    } catch (const FormatError&) {
    }
    if (!streamed.block().isEmpty() || passedOn > bytes.size())
        std::abort();
    if (streamed.state() == GetTestReplyReader::State::Done &&
        (passedOn != streamed.blockSize() || passedOn != reply.block().size()))
        std::abort();

    LineReader lines;
    try {
        QByteArrayView rest = bytes;
        while (!rest.isEmpty()) {
            if (auto line = lines.feed(rest)) {
                if (line->size() > MaxLineLength)
                    std::abort();
                const std::int64_t blockSize = parseBlockSize(*line);
                if (blockSize < 0 || blockSize > MaxBlockSize)
                    std::abort();
            }
        }
    } catch (const FormatError&) {
    }
    return 0;
}
