#include "ZlibDevices.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace kvizor {
namespace {
constexpr qint64 kChunk = 64 * 1024;
}

struct InflateDevice::State
{
    explicit State(QIODevice& s) : source(s) {}

    QIODevice& source;
    z_stream zs{};
    bool initialised = false;
    bool ended = false;
    bool failed = false;
    std::array<char, kChunk> input{};
};

InflateDevice::InflateDevice(QIODevice& source) : d(std::make_unique<State>(source))
{
    d->initialised = inflateInit(&d->zs) == Z_OK;
    d->failed = !d->initialised;
    open(QIODevice::ReadOnly);
}

InflateDevice::~InflateDevice()
{
    if (d->initialised)
        inflateEnd(&d->zs);
}

bool InflateDevice::atEnd() const
{
    return (d->ended || d->failed) && QIODevice::bytesAvailable() == 0;
}

qint64 InflateDevice::bytesAvailable() const
{
    return QIODevice::bytesAvailable();
}

bool InflateDevice::streamEnded() const
{
    return d->ended;
}

bool InflateDevice::drain()
{
    std::array<char, 16 * 1024> sink{};
    while (!d->ended) {
        if (read(sink.data(), sink.size()) < 0)
            return false;
    }
    return !d->failed;
}

qint64 InflateDevice::readData(char* data, qint64 maxSize)
{
    if (d->failed)
        return -1;
    if (d->ended || maxSize <= 0)
        return 0;
    d->zs.next_out = reinterpret_cast<Bytef*>(data);
    d->zs.avail_out = static_cast<uInt>(std::min<qint64>(maxSize, kChunk));
    while (d->zs.avail_out > 0) {
        if (d->zs.avail_in == 0) {
            const qint64 got = d->source.read(d->input.data(), kChunk);
            if (got < 0) {
                setErrorString(d->source.errorString());
                d->failed = true;
                return -1;
            }
            if (got == 0) {
                const qint64 produced = reinterpret_cast<char*>(d->zs.next_out) - data;
                if (produced > 0)
                    return produced; // report the truncation on the next call
                setErrorString(QStringLiteral("compressed data ends early"));
                d->failed = true;
                return -1;
            }
            d->zs.next_in = reinterpret_cast<Bytef*>(d->input.data());
            d->zs.avail_in = static_cast<uInt>(got);
        }
        const int rc = inflate(&d->zs, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            d->ended = true;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            setErrorString(QString::fromLatin1(d->zs.msg ? d->zs.msg : "damaged compressed data"));
            d->failed = true;
            return -1;
        }
    }
    return reinterpret_cast<char*>(d->zs.next_out) - data;
}

qint64 InflateDevice::writeData(const char*, qint64)
{
    return -1;
}

struct DeflateDevice::State
{
    explicit State(QIODevice& t) : target(t) {}

    QIODevice& target;
    z_stream zs{};
    bool initialised = false;
    bool failed = false;
    bool finished = false;
    // Small writes (a field at a time) are gathered so deflate sees large blocks.
    QByteArray pending;
    std::array<char, kChunk> output{};
};

DeflateDevice::DeflateDevice(QIODevice& target, int level) : d(std::make_unique<State>(target))
{
    d->initialised = deflateInit(&d->zs, level) == Z_OK;
    d->failed = !d->initialised;
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

DeflateDevice::~DeflateDevice()
{
    if (d->initialised)
        deflateEnd(&d->zs);
}

bool DeflateDevice::pump(int flush)
{
    for (;;) {
        d->zs.next_out = reinterpret_cast<Bytef*>(d->output.data());
        d->zs.avail_out = static_cast<uInt>(d->output.size());
        const int rc = deflate(&d->zs, flush);
        if (rc == Z_STREAM_ERROR)
            return false;
        const qint64 produced = static_cast<qint64>(d->output.size()) - d->zs.avail_out;
        if (produced > 0 && d->target.write(d->output.data(), produced) != produced) {
            setErrorString(d->target.errorString());
            return false;
        }
        if (flush == Z_FINISH) {
            if (rc == Z_STREAM_END)
                return true;
        } else if (d->zs.avail_in == 0 && d->zs.avail_out != 0) {
            return true;
        }
    }
}

qint64 DeflateDevice::writeData(const char* data, qint64 size)
{
    if (d->failed || d->finished)
        return -1;
    d->pending.append(data, size);
    if (d->pending.size() >= kChunk && !flushPending()) {
        d->failed = true;
        return -1;
    }
    return size;
}

bool DeflateDevice::flushPending()
{
    d->zs.next_in = reinterpret_cast<Bytef*>(d->pending.data());
    d->zs.avail_in = static_cast<uInt>(d->pending.size());
    const bool ok = pump(Z_NO_FLUSH);
    d->pending.truncate(0); // keeps the capacity for the next block
    return ok;
}

bool DeflateDevice::finish()
{
    if (d->failed || d->finished)
        return !d->failed && d->finished;
    if (!flushPending() || !pump(Z_FINISH)) {
        d->failed = true;
        return false;
    }
    d->finished = true;
    return true;
}

qint64 DeflateDevice::readData(char*, qint64)
{
    return -1;
}

} // namespace kvizor
