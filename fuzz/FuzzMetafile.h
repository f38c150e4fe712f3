#pragma once

#include "richtext/Metafile.h"

#include <cstddef>
#include <cstdint>

// One input through a metafile road: the record check, then the converter in-process, so
// that what breaks it shows up as a finding. Drawing the SVG is left out: the program
// draws in the converter's time-bounded child, where a slow drawing is a failed picture.
inline int fuzzMetafile(const std::uint8_t* data, std::size_t size,
                        QByteArray (*sanitize)(QByteArrayView, QString*),
                        QByteArray (*toSvg)(QByteArrayView, QString*))
{
    const QByteArray sane = sanitize(QByteArrayView(data, qsizetype(size)), nullptr);
    if (!sane.isEmpty())
        toSvg(sane, nullptr);
    return 0;
}
