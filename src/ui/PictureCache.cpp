#include "ui/PictureCache.h"

#include "richtext/Metafile.h"
#include "richtext/Picture.h"

#include <QSocketNotifier>
#include <QTimer>

namespace kvizor {

// What the worker thread makes of one picture file: a decoded bitmap (with its shrunk copy),
// or the bytes of a metafile, which is drawn from the program's own thread.
struct TPictureCache::Job
{
    Request request;
    QImage whole;
    QImage fitted;
    QByteArray metafileData;
    PictureFormat metafileFormat = PictureFormat::Unknown;
};

namespace {

// Bitmaps leave the worker in the pixmaps' own format, so the pixmap takes the pixels
// over without converting them.
QImage pixmapReady(QImage image)
{
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    return image;
}

QImage fittedInto(const QImage& image, QSize box)
{
    if (box.isEmpty() || image.isNull())
        return {};
    if (image.width() <= box.width() && image.height() <= box.height())
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

TShownPicture shown(QImage whole, QImage fitted)
{
    TShownPicture picture;
    picture.failed = whole.isNull();
    if (picture.failed)
        return picture;
    // Shared, not copied, when the shrunk copy is the picture itself.
    const bool same = fitted.cacheKey() == whole.cacheKey();
    picture.whole = QPixmap::fromImage(std::move(whole));
    picture.fitted = same ? picture.whole : QPixmap::fromImage(std::move(fitted));
    return picture;
}

// Decodes a picture file as the worker does, metafiles included (drawn at once).
TShownPicture decodeNow(const TPictureCache::Request& request)
{
    const QImage whole = pixmapReady(LoadPictureFile(request.path));
    return shown(whole, fittedInto(whole, request.box));
}

} // namespace

TPictureCache::TPictureCache(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

TPictureCache::~TPictureCache()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QString TPictureCache::keyOf(const Request& request)
{
    return QStringLiteral("%1|%2x%3").arg(request.path).arg(request.box.width()).arg(request.box.height());
}

bool TPictureCache::wanted(const Request& request) const
{
    return m_enabled && m_wanted.contains(request);
}

void TPictureCache::setEnabled(bool on)
{
    m_enabled = on;
    if (!on)
        keep({});
}

TShownPicture TPictureCache::take(const Request& request)
{
    // Nothing new starts on the worker meanwhile: a picture decoded here may start a
    // converting child, which must not copy a worker in the middle of its work.
    m_taking = true;
    if (m_job != nullptr)
        finishJob();
    if (m_drawing != nullptr && m_drawingRequest == request)
        collectDrawing(true);
    TShownPicture picture;
    const auto ready = m_ready.constFind(keyOf(request));
    if (ready != m_ready.constEnd()) {
        picture = *ready;
    } else {
        picture = decodeNow(request);
        if (m_enabled)
            store(request, picture);
    }
    m_taking = false;
    startNext();
    return picture;
}

void TPictureCache::keep(const QList<Request>& requests)
{
    m_wanted = m_enabled ? requests : QList<Request>();
    for (auto it = m_ready.begin(); it != m_ready.end();) {
        bool keepIt = false;
        for (const Request& request : std::as_const(m_wanted))
            keepIt = keepIt || keyOf(request) == it.key();
        it = keepIt ? std::next(it) : m_ready.erase(it);
    }
    // A metafile nobody wants any more is not drawn to the end.
    if (m_drawing != nullptr && !wanted(m_drawingRequest)) {
        stopWatchingDrawing();
        m_drawing.reset();
    }
    startNext();
}

void TPictureCache::startNext()
{
    if (m_taking || pending())
        return;
    for (const Request& request : std::as_const(m_wanted)) {
        if (!m_ready.contains(keyOf(request))) {
            startJob(request);
            return;
        }
    }
}

void TPictureCache::startJob(const Request& request)
{
    auto job = std::make_shared<Job>();
    job->request = request;
    m_job = job;
    m_pool.start([this, job] {
        const QByteArray data = ReadPictureFile(job->request.path);
        job->metafileFormat = MetafileFormatOf(data, job->request.path);
        if (job->metafileFormat != PictureFormat::Unknown) {
            job->metafileData = data;
        } else if (!data.isEmpty()) {
            job->whole = pixmapReady(DecodePicture(data, PictureFormatFromFileName(job->request.path)));
            job->fitted = fittedInto(job->whole, job->request.box);
        }
        // The cache waits for this thread before it goes, so it is still there.
        QMetaObject::invokeMethod(
            this, [this, job] { jobDone(job); }, Qt::QueuedConnection);
    });
}

void TPictureCache::finishJob()
{
    m_pool.waitForDone();
    const std::shared_ptr<Job> job = m_job; // jobDone() lets go of m_job
    if (job != nullptr)
        jobDone(job);
}

void TPictureCache::jobDone(const std::shared_ptr<Job>& job)
{
    if (job != m_job)
        return; // already taken by finishJob()
    m_job.reset();
    if (!wanted(job->request)) {
        startNext();
        return;
    }
    if (job->metafileFormat != PictureFormat::Unknown && !job->metafileData.isEmpty()) {
        startDrawing(job);
        return;
    }
    store(job->request, shown(std::move(job->whole), std::move(job->fitted)));
    startNext();
}

void TPictureCache::startDrawing(const std::shared_ptr<Job>& job)
{
    m_drawingRequest = job->request;
    m_drawing = job->metafileFormat == PictureFormat::Wmf ? metafile::StartWmf(job->metafileData, {})
                                                          : metafile::StartEmf(job->metafileData, {});
    if (m_drawing == nullptr) {
        store(job->request, TShownPicture{{}, {}, true});
        startNext();
        return;
    }
    if (m_drawing->answerFd() < 0) {
        collectDrawing(false);
        return;
    }
    m_drawingNotifier = new QSocketNotifier(m_drawing->answerFd(), QSocketNotifier::Read, this);
    connect(m_drawingNotifier, &QSocketNotifier::activated, this, [this] { collectDrawing(false); });
    if (m_drawingBound == nullptr) {
        m_drawingBound = new QTimer(this);
        m_drawingBound->setSingleShot(true);
        connect(m_drawingBound, &QTimer::timeout, this, [this] { collectDrawing(false); });
    }
    // A child that never answers is ended at its bound.
    m_drawingBound->start(m_drawing->millisecondsLeft() + 1);
}

void TPictureCache::collectDrawing(bool wait)
{
    if (m_drawing == nullptr || (!wait && !m_drawing->readAvailable()))
        return;
    stopWatchingDrawing();
    const std::unique_ptr<metafile::PendingDrawing> drawing = std::move(m_drawing);
    const QImage whole = pixmapReady(drawing->finish());
    store(m_drawingRequest, shown(whole, fittedInto(whole, m_drawingRequest.box)));
    startNext();
}

void TPictureCache::stopWatchingDrawing()
{
    delete m_drawingNotifier;
    m_drawingNotifier = nullptr;
    if (m_drawingBound != nullptr)
        m_drawingBound->stop();
}

void TPictureCache::store(const Request& request, TShownPicture picture)
{
    m_ready.insert(keyOf(request), std::move(picture));
    Q_EMIT prepared(request.path);
}

} // namespace kvizor
