#include "config/IniDocument.h"
#include "config/NiceSettings.h"
#include "config/RegistryStore.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;
using namespace Qt::StringLiterals;

namespace {

using Pairs = QList<std::pair<QString, QString>>;

// "a=1;b=2" as ordered name and value pairs.
Pairs pairsOf(const QString& text)
{
    Pairs pairs;
    for (const QString& item : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        pairs.append({item.left(eq), item.mid(eq + 1)});
    }
    return pairs;
}

QString textOf(const Pairs& pairs)
{
    QStringList items;
    for (const auto& [name, value] : pairs)
        items.append(name + u'=' + value);
    return items.join(u';');
}

const QString FormKey = u"Software\\Kvizor3\\Student\\StudentMainForm"_s;

} // namespace

// A window stand-in with the properties the main window stores.
class FakeForm : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Left READ left WRITE setLeft)
    Q_PROPERTY(int Top READ top WRITE setTop)
    Q_PROPERTY(TWindowState WindowState READ windowState WRITE setWindowState)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(int Area READ area)

public:
    enum TWindowState
    {
        wsNormal,
        wsMinimized,
        wsMaximized
    };
    Q_ENUM(TWindowState)

    FakeForm()
    {
        setObjectName(u"StudentMainForm"_s);
        m_panel.setObjectName(u"PanelQuestion"_s);
        m_panel.setParent(this);
        m_panel.setProperty("Height", 160);
    }
    ~FakeForm() override { m_panel.setParent(nullptr); }

    int left() const { return m_left; }
    int top() const { return m_top; }
    TWindowState windowState() const { return m_state; }
    void setLeft(int v)
    {
        m_left = v;
        m_applied.append(u"Left"_s);
    }
    void setTop(int v)
    {
        m_top = v;
        m_applied.append(u"Top"_s);
    }
    void setWindowState(TWindowState v)
    {
        m_state = v;
        m_applied.append(u"WindowState"_s);
    }
    int area() const { return 42; }

    QString state() const
    {
        return u"Left=%1;Top=%2;PanelQuestion.Height=%3;WindowState=%4"_s.arg(m_left)
            .arg(m_top)
            .arg(m_panel.property("Height").toInt())
            .arg(QString::fromLatin1(QMetaEnum::fromType<TWindowState>().valueToKey(m_state)));
    }

    int m_left = 1;
    int m_top = 2;
    TWindowState m_state = wsNormal;
    QString m_caption;
    QObject m_panel;
    QStringList m_applied;
};

class TestConfigStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString iniPath() const { return m_dir.filePath(u"Settings.ini"_s); }

    void clearStores()
    {
        RegistryStore store;
        QVERIFY(store.openKey(u"Software\\Kvizor3\\Student"_s, true));
        QVERIFY(store.eraseSection(u"StudentMainForm"_s));
        QFile::remove(iniPath());
    }

    void fillStore(int target, const Pairs& pairs)
    {
        if (target == TNiceSettings::stRegistry) {
            RegistryStore store;
            QVERIFY(store.openKey(FormKey, true));
            for (const auto& [name, value] : pairs)
                QVERIFY(store.writeString(name, value));
            return;
        }
        IniDocument doc = IniDocument::fromBytes("[Other]\r\nkeep=1\r\n");
        for (const auto& [name, value] : pairs)
            doc.setValue(u"StudentMainForm", name, value);
        QString error;
        QVERIFY(doc.writeFile(iniPath(), error));
    }

    Pairs storeContent(int target)
    {
        Pairs pairs;
        if (target == TNiceSettings::stRegistry) {
            RegistryStore store;
            if (store.openKey(FormKey, false)) {
                for (const QString& name : store.valueNames())
                    pairs.append({name, store.readString(name)});
            }
            return pairs;
        }
        IniDocument doc;
        QString error;
        if (!IniDocument::readFile(iniPath(), doc, error))
            return pairs;
        for (const QString& name : doc.keys(u"StudentMainForm"))
            pairs.append({name, *doc.value(u"StudentMainForm", name)});
        return pairs;
    }

    void configure(TNiceSettings& settings, int target, const QStringList& props)
    {
        settings.setStoredProps(props);
        settings.setRegKey(u"Software\\Kvizor3\\Student"_s);
        settings.setIniFile(iniPath());
        settings.setStoreTarget(static_cast<TNiceSettings::TStoreTarget>(target));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The store must live in the test's own per-user folder.
        QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
        // Start from an empty store on every run.
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Kvizor3"_s).removeRecursively();
    }

    void storeOpensOnlyWhatItCan_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("opened");
        QTest::newRow("missing without create") << u"Software\\Kvizor3\\Test\\Fresh"_s << false << false;
        QTest::newRow("missing with create") << u"Software\\Kvizor3\\Test\\Fresh"_s << true << true;
        QTest::newRow("created before") << u"Software\\Kvizor3\\Test\\Fresh"_s << false << true;
        QTest::newRow("trailing separator") << u"Software\\Kvizor3\\Test\\Fresh\\"_s << false << true;
        QTest::newRow("outside Software") << u"Classes\\.kvf"_s << true << false;
        QTest::newRow("too short") << u"Software\\Kvizor3"_s << true << false;
        QTest::newRow("slash in a name") << u"Software\\Kvizor3\\Test\\a/b"_s << true << false;
    }
    void storeOpensOnlyWhatItCan()
    {
        QFETCH(QString, path);
        QFETCH(bool, create);
        QFETCH(bool, opened);
        RegistryStore store;
        QCOMPARE(store.openKey(path, create), opened);
        QCOMPARE(store.isOpen(), opened);
    }

    void storeValues()
    {
        RegistryStore store;
        QVERIFY(store.openKey(QString::fromUtf16(ProgramRegistryKey), true));
        QVERIFY(store.writeString(u"Password"_s, u"секрет, с запятой"_s));
        QVERIFY(store.writeString(u"Zeta"_s, u"@not a variant"_s));
        QVERIFY(store.writeString(u"Alpha"_s, u"true"_s));
        QCOMPARE(store.readString(u"Password"_s), u"секрет, с запятой"_s);
        QCOMPARE(store.readString(u"Zeta"_s), u"@not a variant"_s);
        QCOMPARE(store.readString(u"Missing"_s), QString());
        QCOMPARE(store.valueNames(), (QStringList{u"Password"_s, u"Zeta"_s, u"Alpha"_s}));

        // Replacing keeps a value's place; deleting takes it out.
        QVERIFY(store.writeString(u"Password"_s, QString()));
        QVERIFY(store.deleteValue(u"Zeta"_s));
        QCOMPARE(store.valueNames(), (QStringList{u"Password"_s, u"Alpha"_s}));
        QCOMPARE(store.readString(u"Zeta"_s), QString());
        QVERIFY(!store.writeString(u"a/b"_s, u"x"_s));
        store.closeKey();
        QVERIFY(!store.writeString(u"Alpha"_s, u"x"_s));

        // Where a build without a registry keeps it.
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, u"Kvizor3"_s, u"Student"_s);
        QVERIFY(settings.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QCOMPARE(settings.value(u"Alpha"_s).metaType().id(), QMetaType::QString);
        QVERIFY(store.openKey(QString::fromUtf16(ProgramRegistryKey), false));
        QVERIFY(store.deleteValue(u"Password"_s));
        QVERIFY(store.deleteValue(u"Alpha"_s));
    }

    void storeSections()
    {
        RegistryStore store;
        QVERIFY(store.openKey(QString::fromUtf16(ProgramRegistryKey), true));
        const QString sub = QString::fromUtf16(PreviousFilesSubKey);
        QVERIFY(store.eraseSection(sub));
        QVERIFY(store.readSectionValues(sub).isEmpty());
        for (const QString& n : {u"1"_s, u"2"_s, u"3"_s, u"10"_s})
            QVERIFY(store.writeSectionString(sub, n, u"/tests/"_s + n + u".kvf"_s));
        QCOMPARE(textOf(store.readSectionValues(sub)),
                 u"1=/tests/1.kvf;2=/tests/2.kvf;3=/tests/3.kvf;10=/tests/10.kvf"_s);
        // The sub-key's values are not values of the key itself.
        QVERIFY(!store.valueNames().contains(u"1"_s));
        QVERIFY(store.eraseSection(sub));
        QVERIFY(store.readSectionValues(sub).isEmpty());
        store.closeKey();
        QVERIFY(!store.openKey(QString::fromUtf16(ProgramRegistryKey) + sub, false));
    }

    void windowSettings_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("props");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("afterLoad");
        QTest::addColumn<QString>("afterSave");

        const QString initial = u"Left=1;Top=2;PanelQuestion.Height=160;WindowState=wsNormal"_s;
        const QStringList all{u"Left"_s, u"Top"_s, u"PanelQuestion.Height"_s, u"WindowState"_s};
        for (int target : {int(TNiceSettings::stRegistry), int(TNiceSettings::stIniFile)}) {
            const char* t = target == TNiceSettings::stRegistry ? "registry: " : "ini: ";
            auto row = [t](const char* name) -> QTestData& {
                return QTest::newRow((QByteArray(t) + name).constData());
            };
            row("empty list does nothing")
                << target << QStringList() << u"Left=5;Top=6"_s << initial << u"Left=5;Top=6"_s;
            row("listed values") << target << all
                                 << u"Left=5;Top=6;PanelQuestion.Height=300;WindowState=wsMaximized"_s
                                 << u"Left=5;Top=6;PanelQuestion.Height=300;WindowState=wsMaximized"_s
                                 << u"Left=5;Top=6;PanelQuestion.Height=300;WindowState=wsMaximized"_s;
            row("saved in list order") << target << QStringList{u"WindowState"_s, u"Top"_s} << QString()
                                       << initial << u"WindowState=wsNormal;Top=2"_s;
            row("stale name applied then removed")
                << target << QStringList{u"Left"_s} << u"Left=5;Top=7"_s
                << u"Left=5;Top=7;PanelQuestion.Height=160;WindowState=wsNormal"_s << u"Left=5"_s;
            row("empty value not applied")
                << target << QStringList{u"Left"_s, u"Top"_s} << u"Left=;Top=9"_s
                << u"Left=1;Top=9;PanelQuestion.Height=160;WindowState=wsNormal"_s << u"Left=1;Top=9"_s;
            row("missing child skipped")
                << target << QStringList{u"Missing.Height"_s, u"Left"_s} << u"Missing.Height=3;Left=4"_s
                << u"Left=4;Top=2;PanelQuestion.Height=160;WindowState=wsNormal"_s << u"Left=4"_s;
            row("unknown property skipped")
                << target << QStringList{u"Nope"_s, u"PanelQuestion.Nope"_s, u"Area"_s, u"Left"_s}
                << u"Nope=1;PanelQuestion.Nope=2;Area=7;Left=4"_s
                << u"Left=4;Top=2;PanelQuestion.Height=160;WindowState=wsNormal"_s << u"Area=42;Left=4"_s;
            row("bad texts not applied")
                << target << all << u"Left=abc;Top=1.5;PanelQuestion.Height=200;WindowState=wsHuge"_s
                << u"Left=1;Top=2;PanelQuestion.Height=200;WindowState=wsNormal"_s
                << u"Left=1;Top=2;PanelQuestion.Height=200;WindowState=wsNormal"_s;
            row("blank lines and blanks in the list")
                << target << QStringList{u"  Left "_s, QString(), u"   "_s, u".Top"_s} << QString() << initial
                << u"Left=1;Top=2"_s;
            row("only the first full stop splits") << target << QStringList{u"PanelQuestion.Height.X"_s}
                                                   << u"PanelQuestion.Height.X=5"_s << initial << QString();
            row("text property") << target << QStringList{u"Caption"_s} << u"Caption= Главное окно "_s
                                 << initial << u"Caption= Главное окно "_s;
        }
    }
    void windowSettings()
    {
        QFETCH(int, target);
        QFETCH(QStringList, props);
        QFETCH(QString, stored);
        QFETCH(QString, afterLoad);
        QFETCH(QString, afterSave);
        clearStores();
        fillStore(target, pairsOf(stored));

        FakeForm form;
        auto* settings = new TNiceSettings(&form);
        configure(*settings, target, props);
        settings->LoadSettings();
        QCOMPARE(form.state(), afterLoad);
        settings->SaveSettings();
        QCOMPARE(textOf(storeContent(target)), afterSave);
    }

    void loadAppliesInStoredOrder_data()
    {
        QTest::addColumn<int>("target");
        QTest::newRow("registry") << int(TNiceSettings::stRegistry);
        QTest::newRow("ini") << int(TNiceSettings::stIniFile);
    }
    void loadAppliesInStoredOrder()
    {
        QFETCH(int, target);
        clearStores();
        fillStore(target, pairsOf(u"WindowState=wsMaximized;Top=3;Left=4"_s));
        FakeForm form;
        TNiceSettings settings(&form);
        configure(settings, target, {u"Left"_s});
        settings.LoadSettings();
        QCOMPARE(form.m_applied, (QStringList{u"WindowState"_s, u"Top"_s, u"Left"_s}));
    }

    void iniTargetKeepsOtherSections()
    {
        clearStores();
        fillStore(TNiceSettings::stIniFile, pairsOf(u"Left=9"_s));
        FakeForm form;
        TNiceSettings settings(&form);
        configure(settings, TNiceSettings::stIniFile, {u"Left"_s, u"Top"_s});
        settings.SaveSettings();
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("[Other]\r\nkeep=1\r\n\r\n[StudentMainForm]\r\nLeft=1\r\nTop=2\r\n"));
    }

    void accessorsStandInForProperties()
    {
        clearStores();
        FakeForm form;
        TNiceSettings settings(&form);
        configure(settings, TNiceSettings::stRegistry, {u"Left"_s, u"Splitter.Position"_s});
        int position = 77;
        settings.setAccessor(
            u"Splitter.Position"_s, [&] { return QString::number(position); },
            [&](const QString& text) {
                bool ok = false;
                const int v = text.toInt(&ok);
                if (ok)
                    position = v;
                return ok;
            });
        settings.SaveSettings();
        QCOMPARE(textOf(storeContent(TNiceSettings::stRegistry)), u"Left=1;Splitter.Position=77"_s);
        position = 0;
        settings.LoadSettings();
        QCOMPARE(position, 77);
    }

    void ownerWithoutNameStoresNothing()
    {
        clearStores();
        fillStore(TNiceSettings::stRegistry, pairsOf(u"Left=5"_s));
        QObject owner;
        TNiceSettings settings(&owner);
        configure(settings, TNiceSettings::stRegistry, {u"objectName"_s});
        settings.SaveSettings();
        settings.LoadSettings();
        QVERIFY(owner.objectName().isEmpty());
        QCOMPARE(textOf(storeContent(TNiceSettings::stRegistry)), u"Left=5"_s);
    }

    void defaults()
    {
        QObject owner;
        TNiceSettings settings(&owner);
        QVERIFY(settings.StoredProps().isEmpty());
        QCOMPARE(settings.RegKey(), u"Software\\My Company\\My Program"_s);
        QCOMPARE(settings.IniFile(), u"Settings.ini"_s);
        QCOMPARE(settings.StoreTarget(), TNiceSettings::stIniFile);
        QCOMPARE(settings.parent(), &owner);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestConfigStore)
#include "tst_configstore.moc"
