#include "common/Cp1251.h"
#include "config/AdminConfig.h"
#include "config/Config.h"
#include "config/IniDocument.h"
#include "config/ProgramFolder.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace kvizor;
using namespace Qt::StringLiterals;

namespace {

QByteArray crlf(const QString& text)
{
    QString t = text;
    t.replace(u"\n"_s, u"\r\n"_s);
    return cp1251::encode(t);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

const ConfigField& fieldByName(const QString& name)
{
    for (const ConfigField& f : ConfigFields()) {
        if (f.name() == name)
            return f;
    }
    qFatal("no setting %s", qPrintable(name));
    std::abort();
}

const char16_t FreshFile[] = uR"([Save]
IsSaveResult=1
IsSaveProtectionResult=0
IsSaveConfig=0
IsUseWindowSettings=0

[Net]
IsSendResult=0
RemotePort=5005
RemoteHost=127.0.0.1
IsAutoGetTestFromStart=0

[Dir]
InitialDirOpenTest=
DirForResult=

[Colors]
ColorCorrect=14218716
ColorError=13428479
ColorCollation1=15718645
ColorCollation2=14216949
ColorCollation3=14218734
ColorCollation4=14218719
ColorCollation5=14677464
ColorCollation6=15660504
ColorCollation7=16117464
ColorCollation8=16113624
ColorCollation9=16111839
ColorCollation10=16111854

[DefaultUser]
DefaultUserName=Фамилия Имя
DefaultUserGroup=Класс
UserNameExpression=^[А-Я]{1}[а-я]{1,} [А-Я]{1}[а-я]{1,}$
UserGroupExpression=^[1-9]{1}[0-1]{0,1} [А-Яа-я]{1}$
UserNameExample=Иванов Иван
UserGroupExample=10 А

[ResultUser]
IsShowUserResult=1
IsShowDetailReportModeEducation=1
IsShowDetailReportModeNormal=0

[Sound]
IsUseSound=1
IsUseDefaultSound=1
SoundFileName=
SoundFileDir=
)";

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Loads `bytes` as a settings file over `config`.
    void loadBytes(TConfig& config, const QByteArray& bytes)
    {
        const QString file = path(QStringLiteral("load.txt"));
        QVERIFY(writeBytes(file, bytes));
        const ConfigStatus status = LoadConfigFile(config, file);
        QVERIFY2(status.ok, qPrintable(status.detail));
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void tableMatchesRecord()
    {
        QCOMPARE(StoredConfigFields().size(), std::size_t(35));
        TConfig config;
        for (const ConfigField& f : ConfigFields()) {
            const std::size_t expected = f.kind == ConfigKind::Text      ? 0
                                         : f.kind == ConfigKind::Integer ? 1
                                         : f.kind == ConfigKind::Flag    ? 2
                                                                         : 3;
            QVERIFY2(f.ref(config).index() == expected, f.key ? f.key : f.field);
        }
    }

    void unstoredDefaults()
    {
        TConfig config;
        QCOMPARE(config.ResultFileName, u"KvizorStudent_Result.txt"_s);
        QCOMPARE(config.ProtectionResultFileName, u"KvizorStudent_ProtectionResult.kvpr"_s);
        QCOMPARE(config.ConfigFileName, u"KvizorStudent_Config.txt"_s);
        QVERIFY(config.ConfigDir.isEmpty());
        QVERIFY(config.IsUsePreviousFiles);
        config.IsUsePreviousFiles = false;
        config.ColorCollation[9] = 1;
        SetDefaultConfig(config);
        QVERIFY(config.IsUsePreviousFiles);
        QCOMPARE(config.ColorCollation[9], TColor(16111854));
    }

    void freshSaveWritesEveryKeyInOrder()
    {
        const QString file = path(QStringLiteral("fresh.txt"));
        QFile::remove(file);
        const TConfig config;
        const ConfigStatus status = SaveConfigFile(config, file);
        QVERIFY2(status.ok, qPrintable(status.detail));
        const QByteArray bytes = readBytes(file);
        QCOMPARE(bytes, crlf(QString::fromUtf16(FreshFile)));
        // Windows-1251, not UTF-8: "Класс".
        QVERIFY(bytes.contains("DefaultUserGroup=\xCA\xEB\xE0\xF1\xF1\r\n"));
    }

    void numbersAndFlags_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // the field as it would be written

        QTest::newRow("hex flag on") << u"IsSendResult"_s << u"0x1"_s << u"1"_s;
        QTest::newRow("word leaves flag") << u"IsSendResult"_s << u"yes"_s << u"0"_s;
        QTest::newRow("any number sets flag") << u"IsSendResult"_s << u"-7"_s << u"1"_s;
        QTest::newRow("dollar hex flag") << u"IsSendResult"_s << u"$1"_s << u"1"_s;
        QTest::newRow("upper 0X zero clears") << u"IsSaveResult"_s << u"0X0"_s << u"0"_s;
        QTest::newRow("bare 0x is no number") << u"IsSaveResult"_s << u"0x"_s << u"1"_s;
        QTest::newRow("bare $ is no number") << u"IsSaveResult"_s << u"$"_s << u"1"_s;
        QTest::newRow("empty keeps flag") << u"IsSaveResult"_s << QString() << u"1"_s;
        QTest::newRow("blanks around") << u"IsSendResult"_s << u"   1\t"_s << u"1"_s;
        QTest::newRow("quoted number") << u"IsSendResult"_s << u"\"1\""_s << u"1"_s;
        QTest::newRow("port decimal") << u"RemotePort"_s << u"6000"_s << u"6000"_s;
        QTest::newRow("port hex") << u"RemotePort"_s << u"0x1F"_s << u"31"_s;
        QTest::newRow("port dollar lower") << u"RemotePort"_s << u"$ff"_s << u"255"_s;
        QTest::newRow("port signed") << u"RemotePort"_s << u"+7"_s << u"7"_s;
        QTest::newRow("port negative") << u"RemotePort"_s << u"-5"_s << u"-5"_s;
        QTest::newRow("port out of range") << u"RemotePort"_s << u"2147483648"_s << u"5005"_s;
        QTest::newRow("port trailing letters") << u"RemotePort"_s << u"80abc"_s << u"5005"_s;
        QTest::newRow("port inner blank") << u"RemotePort"_s << u"50 05"_s << u"5005"_s;
        QTest::newRow("port hex all bits") << u"RemotePort"_s << u"$FFFFFFFF"_s << u"-1"_s;
        QTest::newRow("port hex too long") << u"RemotePort"_s << u"0x100000000"_s << u"5005"_s;
        QTest::newRow("port hex leading zeros") << u"RemotePort"_s << u"0x000000000010"_s << u"16"_s;
        QTest::newRow("port minus hex") << u"RemotePort"_s << u"-0x10"_s << u"5005"_s;
        QTest::newRow("colour decimal") << u"ColorCorrect"_s << u"16711680"_s << u"16711680"_s;
        QTest::newRow("colour hex") << u"ColorCollation3"_s << u"$FF0000"_s << u"16711680"_s;
        QTest::newRow("colour signed bits") << u"ColorError"_s << u"-1"_s << u"4294967295"_s;
        QTest::newRow("colour too large") << u"ColorError"_s << u"4294967296"_s << u"13428479"_s;
        QTest::newRow("colour name") << u"ColorError"_s << u"clRed"_s << u"13428479"_s;
    }
    void numbersAndFlags()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const ConfigField& field = fieldByName(key);
        TConfig config;
        loadBytes(config, crlf(u"[%1]\n%2=%3\n"_s.arg(QLatin1String(field.section), key, value)));
        QCOMPARE(ConfigValueText(field, config), expected);
    }

    void texts_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");

        const QByteArray section = "[DefaultUser]\r\n";
        QTest::newRow("missing key keeps") << section + "Other=1\r\n" << u"Фамилия Имя"_s;
        QTest::newRow("missing section keeps")
            << QByteArray("[Save]\r\nDefaultUserName=x\r\n") << u"Фамилия Имя"_s;
        QTest::newRow("empty value empties") << section + "DefaultUserName=\r\n" << QString();
        QTest::newRow("blank value empties") << section + "DefaultUserName=   \r\n" << QString();
        QTest::newRow("trimmed") << section + "DefaultUserName=  Petrov Petr \t\r\n" << u"Petrov Petr"_s;
        QTest::newRow("double quotes") << section + "DefaultUserName=\" Petrov \"\r\n" << u" Petrov "_s;
        QTest::newRow("single quotes") << section + "DefaultUserName='Petrov'\r\n" << u"Petrov"_s;
        QTest::newRow("one pair only") << section + "DefaultUserName=\"\"x\"\"\r\n" << u"\"x\""_s;
        QTest::newRow("unbalanced quotes") << section + "DefaultUserName=\"x'\r\n" << u"\"x'"_s;
        QTest::newRow("lone quote") << section + "DefaultUserName=\"\r\n" << u"\""_s;
        QTest::newRow("after first equals") << section + "DefaultUserName=a=b\r\n" << u"a=b"_s;
        QTest::newRow("key blanks and case") << section + "  defaultusername = v\r\n" << u"v"_s;
        QTest::newRow("section case and blanks")
            << QByteArray("[ defaultuser ]\r\nDefaultUserName=v\r\n") << u"v"_s;
        QTest::newRow("first key wins") << section + "DefaultUserName=1\r\nDefaultUserName=2\r\n" << u"1"_s;
        QTest::newRow("first section wins") << section + "Other=1\r\n" + section + "DefaultUserName=2\r\n"
                                            << u"Фамилия Имя"_s;
        QTest::newRow("commented key") << section + ";DefaultUserName=x\r\n" << u"Фамилия Имя"_s;
        QTest::newRow("cyrillic") << section + "DefaultUserName=\xCF\xE5\xF2\xF0\xEE\xE2\r\n" << u"Петров"_s;
        QTest::newRow("utf-8 signature")
            << QByteArray("\xEF\xBB\xBF[DefaultUser]\nDefaultUserName=v") << u"v"_s;
        QTest::newRow("lf only and no last line end")
            << QByteArray("[DefaultUser]\nDefaultUserName=v") << u"v"_s;
        QTest::newRow("cut at 2047") << section + "DefaultUserName=" + QByteArray(3000, 'n') + "\r\n"
                                     << QString(2047, u'n');
        QTest::newRow("2047 kept whole") << section + "DefaultUserName=\"" + QByteArray(2047, 'n') + "\"\r\n"
                                         << QString(2047, u'n');
    }
    void texts()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        TConfig config;
        loadBytes(config, file);
        QCOMPARE(config.DefaultUserName, expected);
    }

    void missingColorsKeepValuesInUse()
    {
        const QByteArray file = crlf(u"[Net]\nIsSendResult=1\n"_s);
        TConfig config;
        loadBytes(config, file);
        QCOMPARE(config.ColorCorrect, TColor(14218716));
        QCOMPARE(config.ColorCollation[0], TColor(15718645));

        // Changed in the settings dialog, then the file is loaded again.
        config.ColorCorrect = 255;
        config.ColorCollation[0] = 65280;
        config.IsSendResult = false;
        loadBytes(config, file);
        QCOMPARE(config.ColorCorrect, TColor(255));
        QCOMPARE(config.ColorCollation[0], TColor(65280));
        QVERIFY(config.IsSendResult);
    }

    void foreignLinesSurvive()
    {
        const QByteArray input = "; lab settings\r\n"
                                 "\r\n"
                                 "[Save]\r\n"
                                 "IsSaveResult = 0x0\r\n"
                                 "a line without equals\r\n"
                                 "ForeignKey=keep me  \r\n"
                                 "\r\n"
                                 "[Lab]\r\n"
                                 "Room=\xCA\xEB\r\n"
                                 "\x98\xFF raw=bytes\n"
                                 "\r\n"
                                 "[net]\r\n"
                                 "REMOTEHOST=\"127.0.0.5\"\r\n"
                                 "; about the server\r\n"
                                 "\r\n"
                                 "[Colors]\r\n"
                                 "ColorCorrect=$FF\r\n"
                                 "[Save]\r\n"
                                 "IsSaveResult=1\r\n"
                                 "[Tail]\r\n"
                                 "last=line";
        const QString file = path(QStringLiteral("foreign.txt"));
        QVERIFY(writeBytes(file, input));
        TConfig config;
        QVERIFY(LoadConfigFile(config, file).ok);
        QVERIFY(!config.IsSaveResult);
        QCOMPARE(config.RemoteHost, u"127.0.0.5"_s);
        QCOMPARE(config.ColorCorrect, TColor(255));

        config.IsSendResult = true;
        QVERIFY(SaveConfigFile(config, file).ok);
        const QByteArray expected = "; lab settings\r\n"
                                    "\r\n"
                                    "[Save]\r\n"
                                    "IsSaveResult=0\r\n"
                                    "a line without equals\r\n"
                                    "ForeignKey=keep me  \r\n"
                                    "IsSaveProtectionResult=0\r\n"
                                    "IsSaveConfig=0\r\n"
                                    "IsUseWindowSettings=0\r\n"
                                    "\r\n"
                                    "[Lab]\r\n"
                                    "Room=\xCA\xEB\r\n"
                                    "\x98\xFF raw=bytes\n"
                                    "\r\n"
                                    "[net]\r\n"
                                    "REMOTEHOST=127.0.0.5\r\n"
                                    "IsSendResult=1\r\n"
                                    "RemotePort=5005\r\n"
                                    "IsAutoGetTestFromStart=0\r\n"
                                    "; about the server\r\n"
                                    "\r\n"
                                    "[Colors]\r\n"
                                    "ColorCorrect=255\r\n"
                                    "ColorError=13428479\r\n"
                                    "ColorCollation1=15718645\r\n"
                                    "ColorCollation2=14216949\r\n"
                                    "ColorCollation3=14218734\r\n"
                                    "ColorCollation4=14218719\r\n"
                                    "ColorCollation5=14677464\r\n"
                                    "ColorCollation6=15660504\r\n"
                                    "ColorCollation7=16117464\r\n"
                                    "ColorCollation8=16113624\r\n"
                                    "ColorCollation9=16111839\r\n"
                                    "ColorCollation10=16111854\r\n"
                                    "[Save]\r\n"
                                    "IsSaveResult=1\r\n"
                                    "[Tail]\r\n"
                                    "last=line\r\n"
                                    "\r\n"
                                    "[Dir]\r\n"
                                    "InitialDirOpenTest=\r\n"
                                    "DirForResult=\r\n";
        const QByteArray saved = readBytes(file);
        QCOMPARE(saved.left(expected.size()), expected);
        QVERIFY(saved.mid(expected.size()).startsWith("\r\n[DefaultUser]\r\n"));

        // A second save changes nothing.
        QVERIFY(SaveConfigFile(config, file).ok);
        QCOMPARE(readBytes(file), saved);
    }

    void lineEndsOfTheFileAreKept()
    {
        const QString file = path(QStringLiteral("lf.txt"));
        QVERIFY(writeBytes(file, "# unix file\n[Sound]\nIsUseSound=0\n"));
        TConfig config;
        QVERIFY(LoadConfigFile(config, file).ok);
        QVERIFY(!config.IsUseSound);
        QVERIFY(SaveConfigFile(config, file).ok);
        const QByteArray saved = readBytes(file);
        QVERIFY(!saved.contains('\r'));
        QVERIFY(saved.startsWith("# unix file\n[Sound]\nIsUseSound=0\nIsUseDefaultSound=1\n"));
    }

    void resultFileNamesAreNeverWritten()
    {
        const QString file = path(QStringLiteral("names.txt"));
        QFile::remove(file);
        TConfig config;
        config.ResultFileName = QStringLiteral("other.txt");
        config.ProtectionResultFileName = QStringLiteral("other.kvpr");
        QVERIFY(SaveConfigFile(config, file).ok);
        const QByteArray saved = readBytes(file);
        QVERIFY(!saved.contains("other"));
        QVERIFY(!saved.contains("FileName=other"));
        QCOMPARE(saved.count('='), 35);

        TConfig restarted;
        QVERIFY(LoadConfigFile(restarted, file).ok);
        QCOMPARE(restarted.ResultFileName, u"KvizorStudent_Result.txt"_s);
        QCOMPARE(restarted.ProtectionResultFileName, u"KvizorStudent_ProtectionResult.kvpr"_s);
    }

    void awkwardValuesRoundTrip()
    {
        const QString file = path(QStringLiteral("roundtrip.txt"));
        QFile::remove(file);
        TConfig config;
        config.RemoteHost = QStringLiteral(" host with blanks ");
        config.RemotePort = -1;
        config.DirForResult = QStringLiteral("'/srv/результаты'");
        config.DefaultUserName = QStringLiteral("\"Иванов\"");
        config.DefaultUserGroup = QStringLiteral("a=b; [c]");
        config.UserNameExample = QString();
        config.ColorError = 0xFFFFFFFFu;
        config.ColorCollation[4] = 16711680;
        config.IsSaveConfig = true;
        config.IsUseSound = false;
        QVERIFY(SaveConfigFile(config, file).ok);

        TConfig loaded;
        QVERIFY(LoadConfigFile(loaded, file).ok);
        for (const ConfigField& f : StoredConfigFields())
            QCOMPARE(ConfigValueText(f, loaded), ConfigValueText(f, config));
    }

    // Files of Linux editors are UTF-8; a file is written back in the encoding it was read
    // in unless a value needs more than Windows-1251, which then makes it UTF-8 with a
    // byte-order mark rather than lose letters.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("readName");
        QTest::addColumn<QString>("newName"); // empty: saved as read
        QTest::addColumn<int>("savedEncoding");
        const auto text = [](const QString& name) {
            return u"[DefaultUser]\r\nDefaultUserName="_s + name + u"\r\n[Lab]\r\nRoom=Кабинет №5\r\n"_s;
        };
        const QString ivanov = u"Иванов Иван"_s;
        const QByteArray bom = "\xEF\xBB\xBF";
        const int cp1251 = int(IniDocument::Encoding::Cp1251);
        const int utf8 = int(IniDocument::Encoding::Utf8);
        const int utf8Bom = int(IniDocument::Encoding::Utf8WithSignature);

        QTest::newRow("Windows-1251") << cp1251::encode(text(ivanov)) << ivanov << QString() << cp1251;
        QTest::newRow("UTF-8") << text(ivanov).toUtf8() << ivanov << QString() << utf8;
        QTest::newRow("UTF-8 with signature")
            << bom + text(ivanov).toUtf8() << ivanov << QString() << utf8Bom;
        QTest::newRow("Windows-1251 given Cyrillic")
            << cp1251::encode(text(u"Ivanov"_s)) << u"Ivanov"_s << ivanov << cp1251;
        QTest::newRow("signature before Windows-1251")
            << bom + cp1251::encode(text(ivanov)) << ivanov << QString() << cp1251;
        QTest::newRow("Windows-1251 given Élève")
            << cp1251::encode(text(ivanov)) << ivanov << u"Élève"_s << utf8Bom;
        QTest::newRow("Windows-1251 given 学生")
            << cp1251::encode(text(ivanov)) << ivanov << u"学生"_s << utf8Bom;
        QTest::newRow("UTF-8 given 学生") << text(ivanov).toUtf8() << ivanov << u"学生"_s << utf8;
        QTest::newRow("broken UTF-8 is Windows-1251")
            << cp1251::encode(text(u"Ёж"_s)) + "\xD0" << u"Ёж"_s << QString() << cp1251;
    }

    void encodings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, readName);
        QFETCH(QString, newName);
        QFETCH(int, savedEncoding);
        const QString name = path(QStringLiteral("encoding.txt"));
        QVERIFY(writeBytes(name, file));
        TConfig config;
        QVERIFY(LoadConfigFile(config, name).ok);
        QCOMPARE(config.DefaultUserName, readName);
        if (!newName.isEmpty())
            config.DefaultUserName = newName;
        QVERIFY(SaveConfigFile(config, name).ok);

        const QByteArray saved = readBytes(name);
        const auto encoding = IniDocument::Encoding(savedEncoding);
        QCOMPARE(IniDocument::fromBytes(saved).encoding(), encoding);
        QCOMPARE(saved.startsWith("\xEF\xBB\xBF"),
                 encoding == IniDocument::Encoding::Utf8WithSignature ||
                     (newName.isEmpty() && file.startsWith("\xEF\xBB\xBF")));
        const QString decoded =
            encoding == IniDocument::Encoding::Cp1251 ? cp1251::decode(saved) : QString::fromUtf8(saved);
        QVERIFY(decoded.contains(u"Room=Кабинет №5\r\n"_s));
        QVERIFY(!decoded.contains(u'?'));

        TConfig reloaded;
        QVERIFY(LoadConfigFile(reloaded, name).ok);
        QCOMPARE(reloaded.DefaultUserName, newName.isEmpty() ? readName : newName);
    }

    void joinedUtf8FilesKeepTheInnerSignature()
    {
        // Two UTF-8 files with signatures joined into one: the second signature starts a
        // line, which still counts and writes back as it was.
        const QByteArray file = "\xEF\xBB\xBF[Lab]\r\nRoom=Кабинет №5\r\n"
                                "\xEF\xBB\xBF[DefaultUser]\r\nDefaultUserName=Иванов\r\n";
        const QString name = path(QStringLiteral("joined.txt"));
        QVERIFY(writeBytes(name, file));
        TConfig config;
        QVERIFY(LoadConfigFile(config, name).ok);
        QCOMPARE(config.DefaultUserName, u"Иванов"_s);
        QCOMPARE(IniDocument::fromBytes(file).toBytes(), file);
        QVERIFY(SaveConfigFile(config, name).ok);
        QCOMPARE(readBytes(name).left(file.size()), file);
    }

    void windows1251ThatWouldReadAsUtf8()
    {
        // "Р©" is D0 A9 in Windows-1251, which UTF-8 reads as "Щ".
        IniDocument doc = IniDocument::fromBytes("[A]\r\nk=v\r\n");
        doc.setValue(u"A", u"k", u"Р©");
        QCOMPARE(doc.encodingForWriting(), IniDocument::Encoding::Utf8WithSignature);
        QCOMPARE(IniDocument::fromBytes(doc.toBytes()).value(u"A", u"k"), std::optional<QString>(u"Р©"_s));
        doc.setValue(u"A", u"k", u"Щит");
        QCOMPARE(doc.encodingForWriting(), IniDocument::Encoding::Cp1251);
    }

    void valueTextForWriting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << u"Иванов Иван"_s << u"Иванов Иван"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("inner quotes") << u"say \"hi\" now"_s << u"say \"hi\" now"_s;
        QTest::newRow("edge blanks") << u" x "_s << u"\" x \""_s;
        QTest::newRow("enclosing quotes") << u"'x'"_s << u"\"'x'\""_s;
        QTest::newRow("line breaks") << u"a\r\nb\nc"_s << u"a\r b c"_s;
        QTest::newRow("carriage return alone") << u"a\rb"_s << u"a\rb"_s;
    }
    void valueTextForWriting()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(IniDocument::writeValueText(value), written);
        if (!value.contains(u'\n'))
            QCOMPARE(IniDocument::readValueText(written), value);
    }

    void sectionErasedWithItsLines()
    {
        IniDocument doc = IniDocument::fromBytes(
            "[A]\r\nx=1\r\n\r\n[N]\r\nLeft=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n[n]\r\nz=3\r\n");
        doc.eraseSection(u"N");
        QCOMPARE(doc.toBytes(), QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"));
        QVERIFY(!doc.hasSection(u"N"));
        doc.setValue(u"N", u"Top", u"5");
        QCOMPARE(doc.toBytes(), QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n\r\n[N]\r\nTop=5\r\n"));
        QCOMPARE(doc.keys(u"n"), QStringList{u"Top"_s});
    }

    void missingFileIsNoFailure()
    {
        TConfig config;
        config.RemotePort = 1;
        const ConfigStatus status = LoadConfigFile(config, path(QStringLiteral("absent.txt")));
        QVERIFY(status.ok);
        QCOMPARE(config.RemotePort, 1);
    }

    void failuresAreReported()
    {
        TConfig config;
        config.RemotePort = 1;
        // A folder where the file should be.
        const QString folder = path(QStringLiteral("folder.txt"));
        QVERIFY(QDir().mkpath(folder));
        ConfigStatus status = LoadConfigFile(config, folder);
        QVERIFY(!status.ok);
        QCOMPARE(status.message, u"Ошибка при загрузке параметров программы!"_s);
        QCOMPARE(config.RemotePort, 1);
        status = SaveConfigFile(config, folder);
        QVERIFY(!status.ok);
        QCOMPARE(status.message, u"Ошибка при сохранении параметров программы!"_s);

        status = SaveConfigFile(config, path(QStringLiteral("no/such/folder/c.txt")));
        QVERIFY(!status.ok);
        QCOMPARE(status.message, u"Ошибка при сохранении параметров программы!"_s);
    }

    void unreadableFileIsNotOverwritten()
    {
        // A link to nowhere cannot be read; saving must not create or replace anything.
        const QString dangling = path(QStringLiteral("dangling.txt"));
        QVERIFY(QFile::link(path(QStringLiteral("nowhere/c.txt")), dangling));
        TConfig config;
        QVERIFY(!LoadConfigFile(config, dangling).ok);
        QVERIFY(!SaveConfigFile(config, dangling).ok);
        QVERIFY(QFileInfo(dangling).isSymLink());

        const QString file = path(QStringLiteral("locked.txt"));
        const QByteArray content = "[Foreign]\r\nkeep=1\r\n";
        QVERIFY(writeBytes(file, content));
        QFile::setPermissions(file, QFile::WriteOwner);
        if (QFile(file).open(QIODevice::ReadOnly))
            QSKIP("permissions are not enforced for this user");
        QVERIFY(!LoadConfigFile(config, file).ok);
        QVERIFY(!SaveConfigFile(config, file).ok);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readBytes(file), content);
    }

    void linkedFileStaysLinked()
    {
        const QString target = path(QStringLiteral("real-config.txt"));
        const QString link = path(QStringLiteral("linked-config.txt"));
        QVERIFY(writeBytes(target, "[X]\r\ny=1\r\n"));
        QVERIFY(QFile::link(target, link));
        QVERIFY(SaveConfigFile(TConfig(), link).ok);
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(readBytes(target).startsWith("[X]\r\ny=1\r\n\r\n[Save]\r\n"));
    }

    void saveReplacesTheFileWhole()
    {
        // Saving into a read-only folder still updates a writable file in place.
        const QString folder = path(QStringLiteral("readonly"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/c.txt");
        QVERIFY(writeBytes(file, "[X]\r\ny=1\r\n"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        TConfig config;
        const ConfigStatus status = SaveConfigFile(config, file);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(status.ok, qPrintable(status.detail));
        QVERIFY(readBytes(file).startsWith("[X]\r\ny=1\r\n\r\n[Save]\r\n"));
    }

    void configFilePath()
    {
        TConfig config;
        QCOMPARE(ConfigFilePath(config), ProgramFolder() + QStringLiteral("/KvizorStudent_Config.txt"));
        config.ConfigDir = m_dir.path();
        QCOMPARE(ConfigFilePath(config), m_dir.filePath(QStringLiteral("KvizorStudent_Config.txt")));
        QVERIFY(SaveConfig(config).ok);
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("KvizorStudent_Config.txt"))));
        TConfig loaded;
        loaded.ConfigDir = m_dir.path();
        loaded.IsSaveResult = false;
        QVERIFY(LoadConfig(loaded).ok);
        QVERIFY(loaded.IsSaveResult);
    }

    void programFolder()
    {
        QCOMPARE(ProgramFolderFor(m_dir.path()), QDir::cleanPath(m_dir.path()));
        QCOMPARE(ProgramFolder(), QDir::cleanPath(QCoreApplication::applicationDirPath()));

        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir(data).removeRecursively();
        QCOMPARE(ProgramFolderFor(path(QStringLiteral("not-there"))), QDir::cleanPath(data));
        QVERIFY(QFileInfo(data).isDir());

        // An installed program keeps its files in the data folder, even when its bin
        // folder is writable (as for root).
        const QString bin = path(QStringLiteral("usr/bin"));
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(ProgramFolderFor(bin), QDir::cleanPath(bin));
        QVERIFY(QDir().mkpath(path(QStringLiteral("usr/share/kvizorstudent/help"))));
        QCOMPARE(ProgramFolderFor(bin), QDir::cleanPath(data));

        const QString locked = path(QStringLiteral("locked-folder"));
        QVERIFY(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = QFileInfo(locked).isWritable();
        const QString chosen = ProgramFolderFor(locked);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (writable)
            QSKIP("permissions are not enforced for this user");
        QCOMPARE(chosen, QDir::cleanPath(data));
    }

    void adminConfigPaths_data()
    {
        QTest::addColumn<QString>("configDirs");
        QTest::addColumn<QString>("executable"); // "portable", "installed" or none
        QTest::addColumn<QStringList>("expected");
        const QString name = u"/Kvizor3/KvizorStudent_Config.txt"_s;
        QTest::newRow("default system folder") << QString() << QString() << QStringList{u"/etc/xdg"_s + name};
        QTest::newRow("first folder wins, so it comes last")
            << u"/site:/etc/xdg"_s << QString() << QStringList{u"/etc/xdg"_s + name, u"/site"_s + name};
        QTest::newRow("relative and empty entries ignored")
            << u"lab::/etc/xdg"_s << QString() << QStringList{u"/etc/xdg"_s + name};
        QTest::newRow("a portable copy's own file is the user's")
            << u"/etc/xdg"_s << u"portable"_s << QStringList{u"/etc/xdg"_s + name};
        QTest::newRow("installed: the file beside the program")
            << u"/etc/xdg"_s << u"installed"_s
            << QStringList{u"/etc/xdg"_s + name, u"installed/usr/bin/KvizorStudent_Config.txt"_s};
    }

    void adminConfigPaths()
    {
        QFETCH(QString, configDirs);
        QFETCH(QString, executable);
        QFETCH(QStringList, expected);
        QString folder;
        if (executable == u"portable") {
            folder = path(u"portable"_s);
        } else if (executable == u"installed") {
            folder = path(u"installed/usr/bin"_s);
            QVERIFY(QDir().mkpath(path(u"installed/usr/share/kvizorstudent"_s)));
        }
        if (!folder.isEmpty())
            QVERIFY(QDir().mkpath(folder));
        for (QString& p : expected) {
            if (!p.startsWith(u'/'))
                p = path(p);
        }
        QCOMPARE(AdminConfigPathsFor(u"KvizorStudent_Config.txt"_s, configDirs, folder), expected);
    }

    void labWideSettings()
    {
        // Two administrator's folders and the user's own file: the first folder overrides
        // the second, the user overrides both, key by key.
        const QString site = path(u"lab/site"_s);
        const QString system = path(u"lab/system"_s);
        const QString user = path(u"lab/user"_s);
        for (const QString& dir : {site + u"/Kvizor3"_s, system + u"/Kvizor3"_s, user})
            QVERIFY(QDir().mkpath(dir));
        const QByteArray systemFile = "[Net]\r\nRemoteHost=system-host\r\nRemotePort=6000\r\n"
                                      "[DefaultUser]\r\nUserGroupExample=9 \xC1\r\n";
        const QByteArray siteFile = "\xEF\xBB\xBF[Net]\r\nRemoteHost=site-host\r\nIsSendResult=1\r\n";
        QVERIFY(writeBytes(system + u"/Kvizor3/KvizorStudent_Config.txt"_s, systemFile));
        QVERIFY(writeBytes(site + u"/Kvizor3/KvizorStudent_Config.txt"_s, siteFile));
        const QString own = user + u"/KvizorStudent_Config.txt"_s;
        QVERIFY(writeBytes(own, "[Net]\r\nRemotePort=7000\r\n"));
        const QByteArray savedDirs = qgetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(site + u':' + system));

        TConfig config;
        config.ConfigDir = user;
        QVERIFY(LoadConfig(config).ok);
        QCOMPARE(config.RemoteHost, u"site-host"_s);
        QCOMPARE(config.RemotePort, 7000);
        QVERIFY(config.IsSendResult);
        QCOMPARE(config.UserGroupExample, u"9 Б"_s);

        // Saving writes the user's file only, and leaves out what still follows the
        // administrator; what the user changed is written.
        config.IsSaveConfig = true;
        QVERIFY(SaveConfig(config).ok);
        QByteArray saved = readBytes(own);
        QVERIFY(saved.contains("RemotePort=7000\r\n"));
        QVERIFY(saved.contains("IsSaveConfig=1\r\n"));
        QVERIFY(saved.contains("IsSaveResult=1\r\n"));
        for (const char* inherited : {"RemoteHost=", "IsSendResult=", "UserGroupExample="})
            QVERIFY2(!saved.contains(inherited), inherited);
        config.RemoteHost = u"my-host"_s;
        config.IsSendResult = false;
        QVERIFY(SaveConfig(config).ok);
        saved = readBytes(own);
        QVERIFY(saved.contains("RemoteHost=my-host\r\n"));
        QVERIFY(saved.contains("IsSendResult=0\r\n"));
        QCOMPARE(readBytes(system + u"/Kvizor3/KvizorStudent_Config.txt"_s), systemFile);
        QCOMPARE(readBytes(site + u"/Kvizor3/KvizorStudent_Config.txt"_s), siteFile);

        // An administrator's file that cannot be read is reported; the rest still count.
        QFile::remove(site + u"/Kvizor3/KvizorStudent_Config.txt"_s);
        QVERIFY(QDir().mkpath(site + u"/Kvizor3/KvizorStudent_Config.txt"_s));
        TConfig partly;
        partly.ConfigDir = user;
        const ConfigStatus status = LoadConfig(partly);
        qputenv("XDG_CONFIG_DIRS", savedDirs);
        QVERIFY(!status.ok);
        QCOMPARE(status.message, u"Ошибка при загрузке параметров программы!"_s);
        QVERIFY2(status.detail.contains(u"lab/site"_s), qPrintable(status.detail));
        QCOMPARE(partly.RemoteHost, u"my-host"_s);
        QCOMPARE(partly.UserGroupExample, u"9 Б"_s);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
