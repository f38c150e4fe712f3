#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// Windows metafiles (WMF, EMF) drawn through SVG. The converting libraries are not made
// for hostile input, so their input is checked record by record first, and by default
// they and the drawing of their SVG run in a short-lived child process with a time and
// output bound: a crash or a hang there is a failed picture, never a failed program.
namespace kvizor::metafile {

// A copy of the metafile whose records all lie inside the data and that ends with an
// end-of-file record, or empty with the reason when the header is impossible.
QByteArray SanitizeWmf(QByteArrayView data, QString* error = nullptr);
QByteArray SanitizeEmf(QByteArrayView data, QString* error = nullptr);

// In-process conversion of sanitized data; used by the child and by the fuzz targets.
QByteArray WmfToSvg(QByteArrayView sanitized, QString* error = nullptr);
QByteArray EmfToSvg(QByteArrayView sanitized, QString* error = nullptr);

// Draws SVG at the given size (its own size when none), bounded in pixels.
QImage RenderSvg(const QByteArray& svg, QSize size, QString* error = nullptr);

class IsolatedChild;

// A metafile being drawn in a child process while the program goes on: watch answerFd(),
// call readAvailable() when it is readable (and once the time left has passed), then take
// the picture with finish(), which waits for the rest. Drawn at once when isolation is off.
class PendingDrawing
{
public:
    PendingDrawing(QImage done, QString error);
    explicit PendingDrawing(std::unique_ptr<IsolatedChild> child);
    ~PendingDrawing();
    PendingDrawing(const PendingDrawing&) = delete;
    PendingDrawing& operator=(const PendingDrawing&) = delete;

    // -1 once nothing more is to come.
    int answerFd() const;
    int millisecondsLeft() const;
    // True once the picture is complete (or has failed).
    bool readAvailable();
    QImage finish(QString* error = nullptr);

private:
    std::unique_ptr<IsolatedChild> m_child;
    QImage m_done;
    QString m_error;
};

// Checks the metafile and starts drawing it; nullptr with the reason when the data cannot
// be drawn at all.
std::unique_ptr<PendingDrawing> StartWmf(QByteArrayView data, QSize size, QString* error = nullptr);
std::unique_ptr<PendingDrawing> StartEmf(QByteArrayView data, QSize size, QString* error = nullptr);

// The whole road: check, then convert and draw (isolated unless switched off).
QImage RenderWmf(QByteArrayView data, QSize size, QString* error = nullptr);
QImage RenderEmf(QByteArrayView data, QSize size, QString* error = nullptr);

// Whether conversions run in a child process (on by default).
void SetIsolation(bool isolated);
bool Isolation();

} // namespace kvizor::metafile
