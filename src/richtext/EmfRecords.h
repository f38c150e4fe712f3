#pragma once

#include <QByteArray>
#include <QByteArrayView>

// libemf2svg reads every record as its fixed structure and trusts every count, offset and
// object index in it. Records reach it only as copies checked here.
namespace kvizor::metafile {

// A copy of the record that libemf2svg may read, or empty to leave it out. Kept are
// records of a known drawing kind, at least as long as their valid minimum (zeros fill a
// structure that a short but valid record leaves out), whose strings, point lists,
// regions, gradients and bitmaps lie inside the record and whose object indices lie
// inside the header's object table of `handles` entries. Comments (and with them EMF+
// data), OpenGL, escapes and colour management are left out: none of them draws here.
QByteArray SafeEmfRecord(QByteArrayView record, quint32 handles);

// A copy of the header record (its size already checked against the data) with its
// description and pixel format cut off, at least as long as the structure libemf2svg
// reads; empty when its bounds are empty.
QByteArray SafeEmfHeader(QByteArrayView header);

} // namespace kvizor::metafile
