#include "PlatformTests.h"

#include "common/Module.h"
#include "platform/sound/SoundModule.h"
#include "platform/SoundPlayer.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

using namespace kvizor;

namespace {

// Remembers what it was asked to play.
class RecordingPlayer : public SoundPlayer
{
public:
    bool play(const QUrl& source) override
    {
        played.append(source);
        return true;
    }
    int activeSounds() const override { return 0; }
    QList<QUrl> played;
};

quint32 u32(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}
quint16 u16(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

} // namespace

class TestSound : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString makeFile(const QString& relative)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("RIFF");
        return path;
    }

private Q_SLOTS:
    void builtInSoundIsOurWave()
    {
        QFile file{QString(platform::BuiltInEndTestSound)};
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        QCOMPARE(wav.size(), 44 + 47716);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(u32(wav, 4), quint32(wav.size() - 8));
        QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(u32(wav, 16), 16u); // plain PCM format block
        QCOMPARE(u16(wav, 20), quint16(1));
        QCOMPARE(u16(wav, 22), quint16(1));  // mono
        QCOMPARE(u32(wav, 24), 22050u);      // samples per second
        QCOMPARE(u32(wav, 28), 22050u * 2);  // bytes per second
        QCOMPARE(u16(wav, 32), quint16(2));  // block align
        QCOMPARE(u16(wav, 34), quint16(16)); // bits per sample
        QCOMPARE(wav.mid(36, 4), QByteArray("data"));
        QCOMPARE(u32(wav, 40), 47716u);

        // Audible, not clipped, and fading to silence at the end.
        int peak = 0;
        for (qsizetype at = 44; at < wav.size(); at += 2)
            peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(wav.constData() + at))));
        QVERIFY(peak > 8000);
        QVERIFY(peak < 32767);
        QVERIFY(qAbs(int(qFromLittleEndian<qint16>(wav.constData() + wav.size() - 2))) < 100);
    }

    void choice_data()
    {
        QTest::addColumn<bool>("useSound");
        QTest::addColumn<bool>("useDefault");
        QTest::addColumn<QString>("dir"); // relative to the temporary folder; "-" for empty
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("path"); // relative to the temporary folder
        const int none = int(SoundSource::None), builtIn = int(SoundSource::BuiltIn),
                  file = int(SoundSource::File);
        QTest::newRow("sound off") << false << true << QString() << QString() << none << QString();
        QTest::newRow("sound off ignores the file")
            << false << false << QStringLiteral("sounds") << QStringLiteral("bell.wav") << none << QString();
        QTest::newRow("built-in") << true << true << QStringLiteral("sounds") << QStringLiteral("bell.wav")
                                  << builtIn << QString();
        QTest::newRow("user file") << true << false << QStringLiteral("sounds") << QStringLiteral("bell.wav")
                                   << file << QStringLiteral("sounds/bell.wav");
        QTest::newRow("folder with separator")
            << true << false << QStringLiteral("sounds/") << QStringLiteral("bell.wav") << file
            << QStringLiteral("sounds/bell.wav");
        QTest::newRow("empty folder means program folder")
            << true << false << QStringLiteral("-") << QStringLiteral("ding.wav") << file
            << QStringLiteral("program/ding.wav");
        QTest::newRow("name used as stored")
            << true << false << QStringLiteral("sounds") << QStringLiteral(" bell.wav") << none
            << QStringLiteral("sounds/ bell.wav");
        QTest::newRow("missing file")
            << true << false << QStringLiteral("sounds") << QStringLiteral("gone.wav") << none
            << QStringLiteral("sounds/gone.wav");
        QTest::newRow("no name") << true << false << QStringLiteral("sounds") << QString() << none
                                 << QStringLiteral("sounds/");
    }
    void choice()
    {
        QFETCH(bool, useSound);
        QFETCH(bool, useDefault);
        QFETCH(QString, dir);
        QFETCH(QString, name);
        QFETCH(int, source);
        QFETCH(QString, path);
        makeFile(QStringLiteral("sounds/bell.wav"));
        makeFile(QStringLiteral("program/ding.wav"));

        EndTestSoundOptions options;
        options.IsUseSound = useSound;
        options.IsUseDefaultSound = useDefault;
        options.SoundFileDir = dir == QLatin1String("-") || dir.isEmpty() ? QString() : m_dir.filePath(dir);
        options.SoundFileName = name;
        const SoundChoice choice =
            platform::ChooseEndTestSound(options, m_dir.filePath(QStringLiteral("program")));
        QCOMPARE(int(choice.source), source);
        QCOMPARE(choice.filePath, path.isEmpty() ? QString() : m_dir.filePath(path));

        RecordingPlayer player;
        QCOMPARE(platform::PlayEndTestSound(options, m_dir.filePath(QStringLiteral("program")), player),
                 source != int(SoundSource::None));
        if (source == int(SoundSource::None)) {
            QVERIFY(player.played.isEmpty());
        } else {
            QCOMPARE(player.played.size(), 1);
            QCOMPARE(player.played.at(0), source == int(SoundSource::BuiltIn)
                                              ? QUrl(QStringLiteral("qrc:/sounds/endtest.wav"))
                                              : QUrl::fromLocalFile(m_dir.filePath(path)));
        }
    }

    void soundModuleIsFound()
    {
        QString error;
        QVERIFY2(ModuleSymbol(SoundModule, CreateSoundPlayerSymbol, &error) != nullptr, qPrintable(error));
    }

    // The platform's player comes from its module, loaded on first use.
    void realPlayerIsSilentWithoutDevice()
    {
        const std::unique_ptr<SoundPlayer> made = SoundPlayer::create();
        SoundPlayer& player = *made;
        QVERIFY(!player.play(QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("missing.wav")))));
        QVERIFY(!player.play(QUrl()));
        const bool haveOutput = !QMediaDevices::defaultAudioOutput().isNull();
        QCOMPARE(player.play(QUrl(QStringLiteral("qrc:/sounds/endtest.wav"))), haveOutput);
        QCOMPARE(player.play(QUrl(QStringLiteral("qrc:/sounds/endtest.wav"))), haveOutput);
        // Every started sound is freed again once it has played or failed.
        QTRY_COMPARE_WITH_TIMEOUT(player.activeSounds(), 0, 15000);
    }
};

int runSoundTests(int argc, char** argv)
{
    TestSound test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSound.moc"
