#pragma once

#include <QIODevice>

#include <memory>

namespace kvizor {

// Reads one zlib stream (RFC 1950) from a source device and hands out the inflated bytes.
// Sequential and read-only; memory stays bounded whatever the stream holds. A damaged or
// truncated stream makes read() fail with an error string.
class InflateDevice : public QIODevice
{
public:
    explicit InflateDevice(QIODevice& source);
    ~InflateDevice() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

    // True once the whole stream, its checksum included, has been read and checked.
    bool streamEnded() const;
    // Reads and checks whatever is left of the stream; false when it is damaged.
    bool drain();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Compresses everything written to it into one zlib stream on a target device. finish()
// must be called to complete the stream; a target that refuses bytes makes write() fail.
class DeflateDevice : public QIODevice
{
public:
    DeflateDevice(QIODevice& target, int level);
    ~DeflateDevice() override;

    bool isSequential() const override { return true; }
    // Writes the rest of the stream and its trailer; false when the target refused them.
    bool finish();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool pump(int flush);
    bool flushPending();

    struct State;
    std::unique_ptr<State> d;
};

} // namespace kvizor
