#pragma once

#include "richtext/Metafile.h"

#include <cstddef>
#include <cstdint>

// One input through a metafile road: the record check, then the converter in-process (so
// that what breaks it shows up as a finding), then the drawing of its SVG.
inline int fuzzMetafile(const std::uint8_t* data, std::size_t size,
                        QByteArray (*sanitize)(QByteArrayView, QString*),
                        QByteArray (*toSvg)(QByteArrayView, QString*))
{
    const QByteArray sane = sanitize(QByteArrayView(data, qsizetype(size)), nullptr);
    if (sane.isEmpty())
        return 0;
    const QByteArray svg = toSvg(sane, nullptr);
    if (!svg.isEmpty())
        kvizor::metafile::RenderSvg(svg, QSize(64, 64));
    return 0;
}
