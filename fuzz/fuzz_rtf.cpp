#include "FuzzApp.h"
#include "richtext/RichText.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzApplication();
    // Metafile pictures are converted and drawn in their time-bounded child, as in the
    // program; fuzz_wmf and fuzz_emf run the converters in-process.
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QTextDocument document;
    kvizor::ReadRtf(QByteArrayView(data, qsizetype(size)), &document);
    kvizor::DocumentToPlainText(&document);
    // What we write must read back without trouble.
    const QByteArray written = kvizor::WriteRtf(&document);
    QTextDocument again;
    kvizor::ReadRtf(written, &again);
    return 0;
}
