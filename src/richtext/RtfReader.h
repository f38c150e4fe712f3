#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace kvizor {

struct RtfReadStats
{
    int pictures = 0;       // pictures placed in the document
    int pictureErrors = 0;  // pictures that could not be decoded and were left out
    bool truncated = false; // groups were still open at the end of the data
};

// True when the bytes begin (after blanks) with the RTF signature "{\rtf".
bool IsRtf(QByteArrayView data);

// Reads RTF and appends its content to the document (into its first block when the
// document is empty). Any byte sequence is accepted: what cannot be understood is left out.
RtfReadStats ReadRtf(QByteArrayView rtf, QTextDocument* document);

} // namespace kvizor
