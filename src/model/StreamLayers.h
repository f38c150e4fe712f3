#pragma once

#include "Scrambler.h"

#include <QIODevice>

#include <cstdint>
#include <memory>
#include <vector>

// The layers a test file is read through, each a read-only sequential device over the one
// before it: file -> CrcReadDevice -> DescrambleDevice -> InflateDevice -> reader. Each
// layer keeps at most a fixed buffer, so reading never grows with the file.
namespace kvizor {

// Passes bytes through unchanged and keeps the CRC-32 of every byte that passed.
class CrcReadDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit CrcReadDevice(QIODevice& source, QObject* parent = nullptr);
    bool isSequential() const override { return true; }
    std::uint32_t crc() const { return m_crc; }
    std::int64_t bytesPassed() const { return m_passed; }
    // Reads the rest of the source so that crc() covers all of it; false on a read error.
    bool drain();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_source;
    std::uint32_t m_crc = 0;
    std::int64_t m_passed = 0;
};

// Unscrambles the bytes of the source with a key, starting from the key's initial state.
class DescrambleDevice : public QIODevice
{
    Q_OBJECT

public:
    DescrambleDevice(QIODevice& source, const TScrambleKey& key, QObject* parent = nullptr);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_source;
    TDescrambler m_descrambler;
};

// Inflates one zlib stream (RFC 1950) read from the source. Damaged or truncated data is a
// read error (-1) with the reason in errorString(); after the stream's end it reads nothing.
class InflateDevice : public QIODevice
{
    Q_OBJECT

public:
    explicit InflateDevice(QIODevice& source, QObject* parent = nullptr);
    ~InflateDevice() override;
    bool isSequential() const override { return true; }
    bool finished() const { return m_finished; }
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 fail(const QString& reason);

    struct ZState;
    QIODevice& m_source;
    std::unique_ptr<ZState> m_z;
    std::vector<char> m_input;
    bool m_sourceEnded = false;
    bool m_finished = false;
    bool m_failed = false;
};

} // namespace kvizor
