#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <memory>

class QSocketNotifier;
class QTimer;

namespace kvizor {

namespace metafile {
class PendingDrawing;
}

// A picture of the test made ready to show.
struct TShownPicture
{
    QPixmap whole;
    // The picture shrunk into the asked box keeping its proportions, or the whole one when
    // it fits; null when no box was asked.
    QPixmap fitted;
    // Could not be read or decoded.
    bool failed = false;
};

// Pictures of the task on screen and of the task that comes next, decoded ahead so that a
// task appears without waiting for its pictures. Bitmaps are decoded (and shrunk) on a
// worker thread; metafiles are drawn in their bounded child process, started from this
// thread and collected from the event loop. One picture is prepared at a time, and only
// the pictures last asked to be kept are held, so memory stays bounded by two tasks.
class TPictureCache : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString path;
        // The box of the shrunk copy; empty for the whole picture only.
        QSize box;
        bool operator==(const Request& other) const { return path == other.path && box == other.box; }
    };

    explicit TPictureCache(QObject* parent = nullptr);
    ~TPictureCache() override;

    // The picture, ready when it was prepared; otherwise it is decoded now (after the
    // preparation under way, if that is this picture).
    TShownPicture take(const Request& request);
    // Holds the pictures of these requests, prepares those not yet ready in the background
    // and drops every other.
    void keep(const QList<Request>& requests);

    // Off, nothing is prepared ahead and take() always decodes.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // Whether a preparation is under way.
    bool pending() const { return m_job != nullptr || m_drawing != nullptr; }
    // Whether a metafile is being drawn in its child process.
    bool drawingUnderWay() const { return m_drawing != nullptr; }
    // How many pictures are held ready.
    int readyCount() const { return int(m_ready.size()); }

Q_SIGNALS:
    // A picture has been prepared (or has failed to).
    void prepared(const QString& path);

private:
    struct Job;

    static QString keyOf(const Request& request);
    bool wanted(const Request& request) const;
    void startNext();
    void startJob(const Request& request);
    void jobDone(const std::shared_ptr<Job>& job);
    void startDrawing(const std::shared_ptr<Job>& job);
    void collectDrawing(bool wait);
    void stopWatchingDrawing();
    void store(const Request& request, TShownPicture picture);
    // Waits for the bitmap being decoded on the worker thread and takes its result.
    void finishJob();

    QThreadPool m_pool;
    QHash<QString, TShownPicture> m_ready;
    QList<Request> m_wanted;
    std::shared_ptr<Job> m_job;
    // The metafile being drawn, and what watches its answer.
    Request m_drawingRequest;
    std::unique_ptr<metafile::PendingDrawing> m_drawing;
    QSocketNotifier* m_drawingNotifier = nullptr;
    QTimer* m_drawingBound = nullptr;
    bool m_enabled = true;
    // Set while take() decodes: nothing is started on the worker then.
    bool m_taking = false;
};

} // namespace kvizor
