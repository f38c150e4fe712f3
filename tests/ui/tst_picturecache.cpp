#include "richtext/Picture.h"
#include "richtext/Samples.h"
#include "support/TestEnvironment.h"
#include "ui/PictureCache.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;

namespace {

using Request = TPictureCache::Request;

QImage pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Lets the event loop run until nothing is being prepared.
bool settled(TPictureCache& cache)
{
    return QTest::qWaitFor([&cache] { return !cache.pending(); }, 20000);
}

} // namespace

class TestPictureCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void preparedAsDecoded_data();
    void preparedAsDecoded();
    void preparedPictureNeedsNoFile();
    void onlyKeptPicturesHeld();
    void takeWaitsForItsOwnPreparation_data();
    void takeWaitsForItsOwnPreparation();
    void takeDoesNotWaitForAnotherDrawing();
    void droppedDrawingEnds();
    void switchedOff();
    void destroyedWhilePreparing();

private:
    QString write(const QString& name, const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPictureCache::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestPictureCache::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPictureCache::preparedAsDecoded_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<bool>("readable");
    const QImage wide = samples::testImage(400, 100);
    QTest::newRow("PNG, whole") << "a.png" << samples::png(wide) << QSize() << true;
    QTest::newRow("PNG, shrunk into a box") << "a.png" << samples::png(wide) << QSize(160, 160) << true;
    QTest::newRow("small PNG, box larger")
        << "a.png" << samples::png(samples::testImage(40, 20)) << QSize(160, 160) << true;
    QTest::newRow("JPEG") << "a.jpg" << samples::jpeg(wide) << QSize(160, 160) << true;
    QTest::newRow("WMF") << "a.wmf" << samples::placeable(samples::wmfVector(), 100, 50) << QSize(160, 160)
                         << true;
    QTest::newRow("EMF") << "a.emf" << samples::emfVector() << QSize() << true;
    QTest::newRow("WMF named as PNG")
        << "b.png" << samples::placeable(samples::wmfVector(), 100, 50) << QSize() << true;
    QTest::newRow("PNG named as WMF") << "b.wmf" << samples::png(wide) << QSize() << false;
    QTest::newRow("broken PNG") << "c.png" << samples::png(wide).left(100) << QSize() << false;
    QTest::newRow("broken WMF") << "c.wmf" << QByteArray("\x01\x00\x09\x00", 4) << QSize() << false;
    QTest::newRow("empty file") << "d.png" << QByteArray() << QSize() << false;
}

void TestPictureCache::preparedAsDecoded()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, box);
    QFETCH(bool, readable);
    const QString path = write(name, bytes);
    const QImage decoded = LoadPictureFile(path);
    QCOMPARE(!decoded.isNull(), readable);

    TPictureCache cache;
    QSignalSpy prepared(&cache, &TPictureCache::prepared);
    cache.keep({{path, box}});
    QVERIFY(cache.pending());
    QVERIFY(settled(cache));
    QCOMPARE(prepared.count(), 1);
    QCOMPARE(cache.readyCount(), 1);
    const TShownPicture shown = cache.take({path, box});
    QCOMPARE(shown.failed, !readable);
    if (!readable)
        return;
    QCOMPARE(pixels(shown.whole), decoded.convertToFormat(QImage::Format_ARGB32));
    if (box.isEmpty()) {
        QVERIFY(shown.fitted.isNull());
        return;
    }
    // Shrunk only when larger than the box, keeping its proportions.
    const QSize expected = decoded.size().boundedTo(decoded.size().scaled(box, Qt::KeepAspectRatio));
    QCOMPARE(shown.fitted.size(), expected);
}

void TestPictureCache::preparedPictureNeedsNoFile()
{
    const QString path = write(QStringLiteral("p.png"), samples::png(samples::testImage(300, 200)));
    TPictureCache cache;
    cache.keep({{path, {}}});
    QVERIFY(settled(cache));
    QVERIFY(QFile::remove(path));
    // Taken from what was prepared: the file is not read again.
    const TShownPicture shown = cache.take({path, {}});
    QVERIFY(!shown.failed);
    QCOMPARE(shown.whole.size(), QSize(300, 200));
}

void TestPictureCache::onlyKeptPicturesHeld()
{
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths.append(write(QStringLiteral("%1.png").arg(i), samples::png(samples::testImage(50 + i, 40))));
    TPictureCache cache;
    cache.keep({{paths[0], {}}, {paths[1], {}}});
    QVERIFY(settled(cache));
    QCOMPARE(cache.readyCount(), 2);
    // The next task's picture comes in, the one of the task before goes.
    cache.keep({{paths[1], {}}, {paths[2], {}}});
    QVERIFY(settled(cache));
    QCOMPARE(cache.readyCount(), 2);
    for (const QString& path : paths)
        QVERIFY(QFile::remove(path));
    QVERIFY(!cache.take({paths[1], {}}).failed);
    QVERIFY(!cache.take({paths[2], {}}).failed);
    QVERIFY(cache.take({paths[0], {}}).failed);
    cache.keep({});
    QCOMPARE(cache.readyCount(), 0);
}

void TestPictureCache::takeWaitsForItsOwnPreparation_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // Whether the metafile's child is already drawing when the picture is asked for.
    QTest::addColumn<bool>("drawing");
    QTest::newRow("bitmap on the worker") << "w.png" << samples::png(samples::testImage(2000, 1500)) << false;
    QTest::newRow("metafile read on the worker")
        << "w.wmf" << samples::placeable(samples::wmfVector(), 100, 50) << false;
    QTest::newRow("metafile in its child")
        << "w.wmf" << samples::placeable(samples::wmfVector(), 100, 50) << true;
}

void TestPictureCache::takeWaitsForItsOwnPreparation()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, drawing);
    const QString path = write(name, bytes);
    TPictureCache cache;
    cache.keep({{path, {}}});
    QVERIFY(cache.pending());
    if (drawing)
        QVERIFY(QTest::qWaitFor([&cache] { return cache.drawingUnderWay(); }));
    const TShownPicture shown = cache.take({path, {}});
    QVERIFY(!shown.failed);
    QCOMPARE(pixels(shown.whole), LoadPictureFile(path).convertToFormat(QImage::Format_ARGB32));
    QVERIFY(!cache.pending());
    QCOMPARE(cache.readyCount(), 1);
}

void TestPictureCache::takeDoesNotWaitForAnotherDrawing()
{
    const QString metafile =
        write(QStringLiteral("m.wmf"), samples::placeable(samples::wmfVector(), 100, 50));
    const QString bitmap = write(QStringLiteral("b.png"), samples::png(samples::testImage(30, 20)));
    TPictureCache cache;
    cache.keep({{metafile, {}}, {bitmap, {}}});
    QVERIFY(QTest::qWaitFor([&cache] { return cache.drawingUnderWay(); }));
    const TShownPicture shown = cache.take({bitmap, {}});
    QVERIFY(!shown.failed);
    QVERIFY(settled(cache));
    QCOMPARE(cache.readyCount(), 2);
    QVERIFY(!cache.take({metafile, {}}).failed);
}

void TestPictureCache::droppedDrawingEnds()
{
    const QString metafile =
        write(QStringLiteral("m.wmf"), samples::placeable(samples::wmfVector(), 100, 50));
    TPictureCache cache;
    QSignalSpy prepared(&cache, &TPictureCache::prepared);
    cache.keep({{metafile, {}}});
    QVERIFY(QTest::qWaitFor([&cache] { return cache.drawingUnderWay(); }));
    cache.keep({});
    QVERIFY(settled(cache));
    QTest::qWait(50);
    QCOMPARE(cache.readyCount(), 0);
    QCOMPARE(prepared.count(), 0);
}

void TestPictureCache::switchedOff()
{
    const QString path = write(QStringLiteral("s.png"), samples::png(samples::testImage(30, 20)));
    TPictureCache cache;
    cache.setEnabled(false);
    cache.keep({{path, {}}});
    QVERIFY(!cache.pending());
    QCOMPARE(cache.readyCount(), 0);
    // Decoded when asked for, and not kept.
    QVERIFY(!cache.take({path, {}}).failed);
    QCOMPARE(cache.readyCount(), 0);
}

void TestPictureCache::destroyedWhilePreparing()
{
    const QString bitmap = write(QStringLiteral("big.png"), samples::png(samples::testImage(3000, 2000)));
    const QString metafile =
        write(QStringLiteral("m.wmf"), samples::placeable(samples::wmfVector(), 100, 50));
    {
        TPictureCache cache;
        cache.keep({{bitmap, {}}});
        QVERIFY(cache.pending());
    }
    {
        TPictureCache cache;
        cache.keep({{metafile, {}}});
        QVERIFY(QTest::qWaitFor([&cache] { return cache.drawingUnderWay(); }));
    }
}

KVIZOR_TEST_MAIN(TestPictureCache)
#include "tst_picturecache.moc"
