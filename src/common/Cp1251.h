#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one Windows-1251 codec of every file and wire boundary. Each of the 256 byte
// values maps to a distinct character (the one undefined byte, 0x98, to U+0098), so any
// byte string survives a decode and encode unchanged.
namespace kvizor::cp1251 {

QString decode(QByteArrayView bytes);
// Characters outside the code page become '?'.
QByteArray encode(QStringView text);
QChar toChar(unsigned char byte);
// -1 when the character has no byte in the code page.
int toByte(QChar ch);

} // namespace kvizor::cp1251
