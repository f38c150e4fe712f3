#include "WriteLayers.h"

#include "TestFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kvizor {

ScrambleWriteDevice::ScrambleWriteDevice(QIODevice& target, const TScrambleKey& key, QObject* parent)
    : QIODevice(parent), m_target(target), m_scrambler(key),
      m_buffer(static_cast<std::size_t>(format::kStreamChunk))
{
    open(QIODevice::WriteOnly);
}

qint64 ScrambleWriteDevice::writeData(const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 step = std::min<qint64>(size - done, static_cast<qint64>(m_buffer.size()));
        m_scrambler.process(data + done, m_buffer.data(), step);
        if (m_target.write(m_buffer.data(), step) != step) {
            setErrorString(m_target.errorString());
            return -1;
        }
        done += step;
    }
    return size;
}

struct DeflateWriteDevice::ZState
{
    z_stream stream{};
};

DeflateWriteDevice::DeflateWriteDevice(QIODevice& target, int level, QObject* parent)
    : QIODevice(parent), m_target(target), m_z(std::make_unique<ZState>()),
      m_input(static_cast<std::size_t>(format::kStreamChunk)),
      m_output(static_cast<std::size_t>(format::kStreamChunk))
{
    m_failed = deflateInit(&m_z->stream, level) != Z_OK;
    open(QIODevice::WriteOnly);
}

DeflateWriteDevice::~DeflateWriteDevice()
{
    deflateEnd(&m_z->stream);
}

bool DeflateWriteDevice::deflateInput(int flush)
{
    z_stream& z = m_z->stream;
    z.next_in = reinterpret_cast<Bytef*>(m_input.data());
    z.avail_in = static_cast<uInt>(m_inputUsed);
    int status = Z_OK;
    do {
        z.next_out = reinterpret_cast<Bytef*>(m_output.data());
        z.avail_out = static_cast<uInt>(m_output.size());
        status = deflate(&z, flush);
        if (status == Z_STREAM_ERROR)
            return false;
        const qint64 produced = static_cast<qint64>(m_output.size() - z.avail_out);
        if (produced > 0 && m_target.write(m_output.data(), produced) != produced) {
            setErrorString(m_target.errorString());
            return false;
        }
    } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    m_inputUsed = 0;
    return true;
}

qint64 DeflateWriteDevice::writeData(const char* data, qint64 size)
{
    if (m_failed)
        return -1;
    qint64 done = 0;
    while (done < size) {
        const auto step = static_cast<std::size_t>(
            std::min<qint64>(size - done, static_cast<qint64>(m_input.size() - m_inputUsed)));
        std::memcpy(m_input.data() + m_inputUsed, data + done, step);
        m_inputUsed += step;
        done += static_cast<qint64>(step);
        if (m_inputUsed == m_input.size() && !deflateInput(Z_NO_FLUSH)) {
            m_failed = true;
            return -1;
        }
    }
    return size;
}

bool DeflateWriteDevice::finish()
{
    if (m_failed)
        return false;
    m_failed = !deflateInput(Z_FINISH);
    return !m_failed;
}

} // namespace kvizor
