#pragma once

#include <QStringList>

// `kvf rtf --plain FILE` and `kvf rtf --html FILE`: the plain text or the document (as Qt
// exports it, pictures inlined) that the program makes of a rich-text file.
// Needs a QGuiApplication: metafile pictures are drawn with fonts.
int runRtf(const QStringList& args);
