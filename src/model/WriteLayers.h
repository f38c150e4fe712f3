#pragma once

#include "Scrambler.h"

#include <QIODevice>

#include <memory>
#include <vector>

// The writer's mirror of the read layers: writer -> DeflateWriteDevice ->
// ScrambleWriteDevice -> file.
namespace kvizor {

// Scrambles every byte written with the writer's rule (plain-byte feedback).
class ScrambleWriteDevice : public QIODevice
{
    Q_OBJECT

public:
    ScrambleWriteDevice(QIODevice& target, const TScrambleKey& key, QObject* parent = nullptr);
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice& m_target;
    TScrambler m_scrambler;
    std::vector<char> m_buffer;
};

// Compresses everything written into one zlib stream; finish() ends the stream.
class DeflateWriteDevice : public QIODevice
{
    Q_OBJECT

public:
    DeflateWriteDevice(QIODevice& target, int level, QObject* parent = nullptr);
    ~DeflateWriteDevice() override;
    bool isSequential() const override { return true; }
    // Writes the rest of the stream; false when the target refused bytes.
    bool finish();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool deflateInput(int flush);

    struct ZState;
    QIODevice& m_target;
    std::unique_ptr<ZState> m_z;
    std::vector<char> m_input;
    std::size_t m_inputUsed = 0;
    std::vector<char> m_output;
    bool m_failed = false;
};

} // namespace kvizor
