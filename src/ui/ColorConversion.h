#pragma once

#include "config/Config.h"

#include <QColor>

namespace kvizor {

// A settings colour keeps red in its lowest byte, then green, then blue.
inline QColor ToQColor(TColor color)
{
    return QColor(int(color & 0xFFu), int((color >> 8) & 0xFFu), int((color >> 16) & 0xFFu));
}

inline TColor FromQColor(const QColor& color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

} // namespace kvizor
