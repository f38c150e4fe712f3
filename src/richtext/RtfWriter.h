#pragma once

#include <QByteArray>

class QTextDocument;

namespace kvizor {

// Writes the document as RTF in the form the editor's rich-edit control writes it:
// Windows-1251 (\ansicpg1251, fonts with \fcharset204), non-ASCII as \'hh, characters
// outside the code page as \uN?, pictures as PNG, tables as \trowd rows. Pure ASCII.
QByteArray WriteRtf(const QTextDocument* document);

} // namespace kvizor
