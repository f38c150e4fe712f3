#include "richtext/Metafile.h"
#include "richtext/Picture.h"
#include "Samples.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

using namespace kvizor;

class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jpegPluginPresent();
    void loadByExtension_data();
    void loadByExtension();
    void failures_data();
    void failures();
    void wmfSanitizer();
    void emfSanitizer();
    void metafileInProcess();
    void dibHeader();

private:
    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return {};
        return path;
    }
    QTemporaryDir m_dir;
};

void TestPictures::jpegPluginPresent()
{
    QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
    QVERIFY(QImageReader::supportedImageFormats().contains("ico"));
    QVERIFY(QImageReader::supportedImageFormats().contains("gif"));
}

void TestPictures::loadByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("leftColor");

    const QImage image = samples::testImage(40, 20);
    QTest::newRow("bmp") << "a.bmp" << samples::bmp(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("ico") << "a.ico" << samples::ico(samples::testImage(32, 32)) << QSize(32, 32)
                         << QColor(Qt::red);
    QTest::newRow("gif") << "a.GIF" << samples::gif(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("png") << "a.png" << samples::png(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("jpeg") << "a.jpg" << samples::jpeg(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("jpeg long suffix") << "a.jpeg" << samples::jpeg(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("wmf placeable") << "a.wmf" << samples::placeable(samples::wmfVector(), 100, 50)
                                   << QSize(100, 50) << QColor(0, 128, 0);
    QTest::newRow("wmf bitmap") << "b.wmf" << samples::placeable(samples::wmfBitmap(image), 40, 20)
                                << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("emf") << "a.emf" << samples::emfVector() << QSize(100, 50) << QColor(0, 0, 255);
    QTest::newRow("wrong extension") << "png-named.bmp" << samples::png(image) << QSize(40, 20)
                                     << QColor(Qt::red);
}

void TestPictures::loadByExtension()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    QFETCH(QColor, leftColor);
    const QString path = write(name, data);
    QVERIFY(!path.isEmpty());
    QString error;
    const QImage image = LoadPictureFile(path, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY2(qAbs(image.width() - size.width()) <= 1 && qAbs(image.height() - size.height()) <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(image.width()).arg(image.height())));
    const QColor c = image.pixelColor(3, image.height() / 2);
    QVERIFY2(qAbs(c.red() - leftColor.red()) < 40 && qAbs(c.green() - leftColor.green()) < 40 &&
                 qAbs(c.blue() - leftColor.blue()) < 40,
             qPrintable(c.name()));
}

void TestPictures::failures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("garbage png") << "g.png" << QByteArray("\x89PNG\r\n\x1a\nnot really");
    QTest::newRow("empty bmp") << "e.bmp" << QByteArray();
    QTest::newRow("truncated jpeg") << "t.jpg" << samples::jpeg(samples::testImage(40, 20)).left(20);
    QTest::newRow("garbage wmf") << "g.wmf" << QByteArray(200, '\x55');
    QTest::newRow("garbage emf") << "g.emf" << QByteArray(200, '\x01');
    QByteArray huge = samples::bmp(samples::testImage(4, 4));
    qToLittleEndian<qint32>(200000, huge.data() + 18);
    qToLittleEndian<qint32>(200000, huge.data() + 22);
    QTest::newRow("bitmap claiming a huge size") << "h.bmp" << huge;
    QByteArray wmfJunk = samples::wmfVector();
    for (qsizetype i = 18; i < wmfJunk.size(); ++i)
        wmfJunk[i] = char(0xFF);
    QTest::newRow("wmf header with junk records") << "j.wmf" << wmfJunk;
}

void TestPictures::failures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    const QString path = write(name, data);
    QString error;
    const QImage image = LoadPictureFile(path, &error);
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY(LoadPictureFile(m_dir.filePath(QStringLiteral("missing.png")), &error).isNull());
}

void TestPictures::wmfSanitizer()
{
    const QByteArray wmf = samples::wmfVector();
    QCOMPARE(metafile::SanitizeWmf(wmf), wmf);
    // A cut record is dropped and an end record added; the header describes the result.
    const QByteArray cut = wmf.left(wmf.size() - 10);
    const QByteArray sane = metafile::SanitizeWmf(cut);
    QVERIFY(!sane.isEmpty());
    QVERIFY(sane.endsWith(QByteArray("\x03\0\0\0\0\0", 6)));
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 6), quint32(sane.size() / 2));
    QString error;
    QVERIFY(metafile::SanitizeWmf(QByteArray("\x01\0\x09", 3), &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(metafile::SanitizeWmf(QByteArray(18, '\0')).isEmpty());
    QVERIFY(!metafile::RenderWmf(cut, {}).isNull());
}

void TestPictures::emfSanitizer()
{
    const QByteArray emf = samples::emfVector();
    QCOMPARE(metafile::SanitizeEmf(emf), emf);
    QByteArray bad = emf;
    qToLittleEndian<quint32>(0x7FFFFFF0, bad.data() + 88 + 4); // first record claims a huge size
    const QByteArray sane = metafile::SanitizeEmf(bad);
    QCOMPARE(sane.size(), 88 + 20);
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 48), quint32(sane.size()));
    QVERIFY(metafile::SanitizeEmf(emf.left(60)).isEmpty());
}

void TestPictures::metafileInProcess()
{
    // The in-process road gives the same picture as the isolated one.
    metafile::SetIsolation(false);
    const QImage wmf = metafile::RenderWmf(samples::wmfVector(), QSize(100, 50));
    const QImage emf = metafile::RenderEmf(samples::emfVector(), QSize(100, 50));
    metafile::SetIsolation(true);
    QVERIFY(!wmf.isNull());
    QVERIFY(!emf.isNull());
    QCOMPARE(metafile::RenderWmf(samples::wmfVector(), QSize(100, 50)), wmf);
    QCOMPARE(metafile::RenderEmf(samples::emfVector(), QSize(100, 50)), emf);
}

void TestPictures::dibHeader()
{
    const QImage image = samples::testImage(8, 4);
    const QByteArray bmp = samples::bmp(image);
    QCOMPARE(DibToBmp(bmp.mid(14)), bmp.left(14) + bmp.mid(14));
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    QByteArray data;
    {
        QBuffer b(&data);
        b.open(QIODevice::WriteOnly);
        indexed.save(&b, "BMP");
    }
    QCOMPARE(DibToBmp(data.mid(14)).mid(10, 4), data.mid(10, 4));
    QVERIFY(DibToBmp(QByteArray(8, '\0')).isEmpty());
    QVERIFY(DibToBmp(QByteArray(40, '\x7F')).isEmpty());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
