#pragma once

#include <QIODevice>

// Passes writes on to a target device until a number of bytes has gone through, then
// refuses every further byte, as a full disk would.
class FailDevice : public QIODevice
{
public:
    FailDevice(QIODevice& target, qint64 failAfter) : m_target(target), m_left(failAfter)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (size > m_left) {
            if (m_left > 0)
                m_target.write(data, m_left);
            m_left = 0;
            setErrorString(QStringLiteral("device full"));
            return -1;
        }
        m_left -= size;
        return m_target.write(data, size);
    }

private:
    QIODevice& m_target;
    qint64 m_left;
};
