#pragma once

#include <QBuffer>

// A memory device that fails every read and write once limit bytes have passed.
class FailDevice : public QBuffer
{
public:
    FailDevice(const QByteArray& data, qint64 limit) : m_limit(limit)
    {
        setData(data);
        open(QIODevice::ReadWrite);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (pos() >= m_limit) {
            setErrorString(QStringLiteral("read failed"));
            return -1;
        }
        return QBuffer::readData(data, std::min(maxSize, m_limit - pos()));
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (pos() + size > m_limit) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        return QBuffer::writeData(data, size);
    }

private:
    qint64 m_limit;
};
