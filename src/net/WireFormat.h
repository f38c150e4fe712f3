#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The line and block framing of the test-server protocol. Pure functions and
// incremental readers that take bytes as they arrive, so the socket client and
// the fuzz target share one parser.
namespace kvizor::wire {

// A received line (without its terminator) may hold at most this many bytes.
inline constexpr qsizetype MaxLineLength = 16384;
// The largest block a size line may announce (1 GiB).
inline constexpr std::int64_t MaxBlockSize = std::int64_t(1) << 30;

// The text in Windows-1251 followed by CR LF. CR and LF inside the text are
// dropped: they would split the line on the server's side.
QByteArray encodeLine(const QString& text);
QByteArray encodeLineBytes(QByteArrayView bytes);
// The size line and the bytes of a block.
QByteArray encodeBlock(QByteArrayView bytes);

// The size announced by a size line: optional blanks, an optional '+', decimal
// digits, optional blanks. Throws FormatError for anything else, for a negative
// size and for one over MaxBlockSize.
std::int64_t parseBlockSize(QByteArrayView line);

// Splits received bytes into lines: a line ends at LF, one CR right before the LF
// is dropped. A line over MaxLineLength throws FormatError as soon as it is
// certain, without waiting for its LF.
class LineReader
{
public:
    // Takes bytes from the front of data up to and including the first LF. Returns
    // the line once it is complete; the bytes taken are removed from data.
    std::optional<QByteArray> feed(QByteArrayView& data);
    bool hasPartialLine() const { return !m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};

// Where the bytes of a block go as they arrive. It may throw to end the reading (a full
// disk); the exception passes through the reader unchanged.
using BlockSink = std::function<void(QByteArrayView bytes)>;

// Takes exactly the announced number of bytes. Without a sink it collects them in
// memory, which grows only with the bytes that really arrive; with one it keeps none.
class BlockReader
{
public:
    explicit BlockReader(std::int64_t size, BlockSink sink = {});
    // Takes as many bytes from the front of data as the block still lacks.
    // Returns true once the block is complete.
    bool feed(QByteArrayView& data);
    bool isComplete() const { return m_received == m_size; }
    std::int64_t size() const { return m_size; }
    std::int64_t received() const { return m_received; }
    // The collected bytes; always empty with a sink.
    const QByteArray& bytes() const { return m_bytes; }
    QByteArray takeBytes() { return std::move(m_bytes); }

private:
    std::int64_t m_size;
    std::int64_t m_received = 0;
    BlockSink m_sink;
    QByteArray m_bytes;
};

// The server's side of GETTEST: a reply line; after exactly "YES" a name line and a
// block. Anything the server sends after that is ignored.
class GetTestReplyReader
{
public:
    enum class State
    {
        ReplyLine,
        NameLine,
        SizeLine,
        Block,
        Refused,
        Done
    };

    // The block goes to sink instead of memory; set before the block begins.
    void setBlockSink(BlockSink sink) { m_sink = std::move(sink); }

    // Consumes what belongs to the reply and returns the number of bytes taken.
    // Throws FormatError on a line that is too long or a bad size line.
    qsizetype feed(QByteArrayView data);

    State state() const { return m_state; }
    bool isFinished() const { return m_state == State::Refused || m_state == State::Done; }
    const QByteArray& replyLine() const { return m_replyLine; }
    // The name line as received (Windows-1251 bytes).
    const QByteArray& nameBytes() const { return m_name; }
    QString fileName() const;
    // The announced size of the block, once its size line has arrived.
    std::int64_t blockSize() const { return m_blockSize; }
    // The block, when it was collected in memory (no sink).
    const QByteArray& block() const { return m_block; }
    QByteArray takeBlock() { return std::move(m_block); }

private:
    State m_state = State::ReplyLine;
    LineReader m_lines;
    BlockSink m_sink;
    std::int64_t m_blockSize = -1;
    std::optional<BlockReader> m_blockReader;
    QByteArray m_replyLine;
    QByteArray m_name;
    QByteArray m_block;
};

} // namespace kvizor::wire
