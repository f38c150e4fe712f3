#include "tst_ui.h"

#include "config/RegistryStore.h"
#include "Fixtures.h"
#include "richtext/DocumentZoom.h"
#include "ScriptedPrompts.h"
#include "ui/RichTextView.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/StatusPanels.h"
#include "ui/StudentMainForm.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QEventLoop>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

using namespace kvizor;

namespace {

const QRegularExpression StartLine(
    QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d Запущена программа KvizorStudent\\.\r\n"));

QString plainText(QWidget* richText)
{
    return qobject_cast<QTextEdit*>(richText)->toPlainText();
}

QStringList lines(QWidget* richText)
{
    return plainText(richText)
        .split(QChar(QChar::ParagraphSeparator))
        .join(QLatin1Char('\n'))
        .split(QLatin1Char('\n'));
}

void dropFiles(QWidget* target, const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

// Lets the event loop wait for events, as an idle program does.
void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void clearStore()
{
    QSettings store;
    store.clear();
    store.sync();
}

} // namespace

void TestMainWindow::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    clearStore();
}

void TestMainWindow::cleanup()
{
    m_dir.reset();
}

QString TestMainWindow::path(const QString& name) const
{
    return m_dir->filePath(name);
}

std::unique_ptr<TStudentMainForm> TestMainWindow::makeWindow(ScriptedPrompts& prompts,
                                                             const QStringList& arguments)
{
    TStudentMainForm::Options options;
    options.programFolder = m_dir->path();
    options.prompts = &prompts;
    options.arguments = arguments;
    return std::make_unique<TStudentMainForm>(options);
}

QString TestMainWindow::logText() const
{
    return readCp1251File(path(QStringLiteral("KvizorStudent_Result.txt")));
}

void TestMainWindow::writeConfig(const QByteArray& text)
{
    QFile file(path(QStringLiteral("KvizorStudent_Config.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Creation, showing and closing.

void TestMainWindow::creationDefaults()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    QCOMPARE(window->RunState(), rsNoTest);
    QCOMPARE(window->ZoomPercent, 100);
    QCOMPARE(window->FontSizeDelta, 0);
    QVERIFY(window->Config.IsSaveResult);
    QVERIFY(window->Config.IsUsePreviousFiles);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kvizor Student"));
    QCOMPARE(plainText(window->QuestionText), QStringLiteral("Для начала работы выберите тест!..."));
    QCOMPARE(window->QuestionLabel->text(), QStringLiteral("Информация"));
    QCOMPARE(window->statusPanels()->panelText(0), QStringLiteral("Тест не выбран"));
    QCOMPARE(window->statusPanels()->panelText(2), QDate::currentDate().toString(QStringLiteral("dd.MM.yy")));
    QVERIFY(window->AOpenTest->isEnabled());
    QVERIFY(!window->ACloseTest->isEnabled());
    QVERIFY(!window->ABeginTest->isEnabled());
    QVERIFY(!window->AShowTestInfo->isEnabled());
    QVERIFY(!window->aShowTestInstruction->isEnabled());
    QVERIFY(!window->miListPreviousFiles->menuAction()->isEnabled());
    QVERIFY(window->aZoomNormal->isChecked());
    QVERIFY(window->AIsSaveResult->isChecked());
    QVERIFY(!window->AIsSaveConfig->isChecked());
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(StartLine.match(logText()).hasMatch());
    QCOMPARE(logText().count(QLatin1Char('\n')), 1);
    // A first start writes no settings file.
    window->close();
    QVERIFY(!QFile::exists(path(QStringLiteral("KvizorStudent_Config.txt"))));
}

void TestMainWindow::creationReadsConfigFile()
{
    writeConfig("[Save]\r\nIsSaveResult=0\r\nIsSaveConfig=1\r\n[Dir]\r\nInitialDirOpenTest=/tmp/tests\r\n");
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    QVERIFY(!window->Config.IsSaveResult);
    QVERIFY(window->Config.IsSaveConfig);
    QVERIFY(!window->AIsSaveResult->isChecked());
    QVERIFY(window->AIsSaveConfig->isChecked());
    // No log when results are not saved: neither the start nor the close line.
    window->close();
    QVERIFY(!QFile::exists(path(QStringLiteral("KvizorStudent_Result.txt"))));
    // Saved at exit because IsSaveConfig is set; foreign lines survive.
    const QString config = readCp1251File(path(QStringLiteral("KvizorStudent_Config.txt")));
    QVERIFY(config.contains(QStringLiteral("IsSaveResult=0")));
    QVERIFY(config.contains(QStringLiteral("InitialDirOpenTest=/tmp/tests")));
    QVERIFY(config.contains(QStringLiteral("RemotePort=5005")));
}

void TestMainWindow::closeOrder()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    QCOMPARE(window->RunState(), rsTestLoaded);
    const QString temp = window->Test()->TempFolder;
    QVERIFY(QFileInfo(temp).isDir());
    window->close();
    QVERIFY(window->Test() == nullptr);
    QVERIFY(!QFileInfo::exists(temp));
    const QStringList logLines = logText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(logLines.size(), 2);
    QVERIFY(logLines.at(1).endsWith(QStringLiteral(" Закрыта программа KvizorStudent.")));
    QSettings store;
    QCOMPARE(store.value(QStringLiteral("PreviousFiles/1")).toString(), file);
}

void TestMainWindow::logWriteFailure()
{
    const QString missing = path(QStringLiteral("no-such-folder"));
    writeConfig("[Dir]\r\nDirForResult=" + missing.toUtf8() + "\r\n");
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.at(0).text, QStringLiteral("Ошибка записи в файл результатов."));
    QCOMPARE(prompts.messages.at(0).caption, QStringLiteral("Внимание!"));
    QCOMPARE(prompts.messages.at(0).icon, MessageIcon::Information);
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(window->resultLogPath(), missing + QStringLiteral("/KvizorStudent_Result.txt"));
}

void TestMainWindow::logGoesToResultFolder()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("results")));
    writeConfig("[Dir]\r\nDirForResult=" + path(QStringLiteral("results")).toUtf8() + "\r\n");
    // An existing log gets the new lines after its last one.
    QFile old(path(QStringLiteral("results/KvizorStudent_Result.txt")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old\r\n");
    old.close();
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    const QString log = readCp1251File(path(QStringLiteral("results/KvizorStudent_Result.txt")));
    QVERIFY(log.startsWith(QStringLiteral("old\r\n")));
    QVERIFY(log.contains(QStringLiteral("Запущена программа KvizorStudent.\r\n")));
    QVERIFY(!QFile::exists(path(QStringLiteral("KvizorStudent_Result.txt"))));
}

void TestMainWindow::windowSettings()
{
    writeConfig("[Save]\r\nIsUseWindowSettings=1\r\n");
    ScriptedPrompts prompts;
    {
        auto window = makeWindow(prompts);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->setGeometry(40, 50, 740, 700);
        window->Splitter2->setSizes({230, 300});
        QTRY_COMPARE(window->PanelQuestion->height(), 230);
        window->close();
    }
    RegistryStore store;
    QVERIFY(store.openKey(QStringLiteral("Software\\Kvizor3\\Student\\StudentMainForm"), false));
    QCOMPARE(store.valueNames(),
             strings({"Left", "Top", "Width", "Height", "PanelQuestion.Height", "WindowState"}));
    QCOMPARE(store.readString(QStringLiteral("Width")), QStringLiteral("740"));
    QCOMPARE(store.readString(QStringLiteral("PanelQuestion.Height")), QStringLiteral("230"));
    QCOMPARE(store.readString(QStringLiteral("WindowState")), QStringLiteral("wsNormal"));
    store.closeKey();
    {
        auto window = makeWindow(prompts);
        QCOMPARE(window->geometry(), QRect(40, 50, 740, 700));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTRY_COMPARE(window->PanelQuestion->height(), 230);
        window->Config.IsUseWindowSettings = false;
        window->close();
    }
    // With the flag clear the window opens centred at its designed size (or what its contents
    // need, if more), whatever is stored.
    writeConfig("[Save]\r\nIsUseWindowSettings=0\r\n");
    auto window = makeWindow(prompts);
    QVERIFY(window->width() != 740 && window->width() >= 672);
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
}

// Opening routes.

void TestMainWindow::openByDialog()
{
    writeConfig("[Dir]\r\nInitialDirOpenTest=" + m_dir->path().toUtf8() + "\r\n");
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    prompts.files = {QString()};
    window->AOpenTest->trigger();
    QCOMPARE(window->RunState(), rsNoTest);
    prompts.files = {file};
    window->AOpenTest->trigger();
    QCOMPARE(prompts.startFolders, QStringList({m_dir->path(), m_dir->path()}));
    QCOMPARE(window->RunState(), rsTestLoaded);
    QCOMPARE(window->Config.InitialDirOpenTest, m_dir->path());
    window->updateCommands();
    QCOMPARE(window->windowTitle(), QStringLiteral("demo.kvf - Kvizor Student"));
    QCOMPARE(window->statusPanels()->panelText(0), QStringLiteral("Тест выбран"));
    QVERIFY(!window->AOpenTest->isEnabled());
    QVERIFY(window->ACloseTest->isEnabled());
    QVERIFY(window->ABeginTest->isEnabled());
    QVERIFY(window->AShowTestInfo->isEnabled());
    QCOMPARE(window->PreviousFiles().entries(), QStringList{file});
    // While a test is loaded the open command does nothing.
    prompts.files = {file};
    window->AOpenTest->trigger();
    QCOMPARE(prompts.startFolders.size(), 2);
}

void TestMainWindow::openByCommandLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("opens");
    QTest::newRow("kvf") << QStringLiteral("demo.kvf") << true << true;
    QTest::newRow("any extension") << QStringLiteral("demo.txt") << true << true;
    QTest::newRow("missing file") << QStringLiteral("missing.kvf") << false << false;
}

void TestMainWindow::openByCommandLine()
{
    QFETCH(QString, name);
    QFETCH(bool, create);
    QFETCH(bool, opens);
    if (create)
        writeTestFile(path(name));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts, {path(name)});
    QSignalSpy finished(window.get(), &TStudentMainForm::startupFinished);
    // Nothing is opened before the window is shown.
    QCOMPARE(window->RunState(), rsNoTest);
    window->show();
    QVERIFY(finished.wait(5000));
    QCOMPARE(window->RunState(), opens ? rsTestLoaded : rsNoTest);
    QVERIFY(prompts.messages.isEmpty());
    // The command line wins over the automatic fetch from the server.
    QCOMPARE(finished.size(), 1);
}

void TestMainWindow::droppedFiles_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("preloaded");
    QTest::addColumn<QString>("opened");
    QTest::newRow("kvf") << strings({"a.kvf"}) << false << QStringLiteral("a.kvf");
    QTest::newRow("upper case") << strings({"b.KVF"}) << false << QStringLiteral("b.KVF");
    QTest::newRow("two files: the first") << strings({"a.kvf", "b.KVF"}) << false << QStringLiteral("a.kvf");
    QTest::newRow("first not a test") << strings({"c.txt", "a.kvf"}) << false << QStringLiteral("");
    QTest::newRow("test loaded") << strings({"a.kvf"}) << true << QStringLiteral("c.txt");
}

void TestMainWindow::droppedFiles()
{
    QFETCH(QStringList, names);
    QFETCH(bool, preloaded);
    QFETCH(QString, opened);
    for (const QString& name : {QStringLiteral("a.kvf"), QStringLiteral("b.KVF"), QStringLiteral("c.txt")})
        writeTestFile(path(name), {}, name);
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    QVERIFY(window->acceptDrops());
    if (preloaded)
        window->LoadTest(path(QStringLiteral("c.txt")));
    QStringList paths;
    for (const QString& name : names)
        paths.append(path(name));
    dropFiles(window.get(), paths);
    if (opened.isEmpty()) {
        QVERIFY(window->Test() == nullptr);
    } else {
        QVERIFY(window->Test() != nullptr);
        QCOMPARE(window->Test()->Title, opened);
    }
    QVERIFY(prompts.messages.isEmpty());
}

void TestMainWindow::handOff_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("preloaded");
    QTest::addColumn<bool>("opens");
    QTest::newRow(".kvf") << QStringLiteral("a.kvf") << false << true;
    QTest::newRow(".KVF") << QStringLiteral("b.KVF") << false << true;
    QTest::newRow(".Kvf") << QStringLiteral("d.Kvf") << false << true;
    QTest::newRow(".txt") << QStringLiteral("c.txt") << false << false;
    QTest::newRow("no argument") << QStringLiteral("") << false << false;
    QTest::newRow("test loaded") << QStringLiteral("a.kvf") << true << false;
}

void TestMainWindow::handOff()
{
    QFETCH(QString, name);
    QFETCH(bool, preloaded);
    QFETCH(bool, opens);
    for (const QString& file : {QStringLiteral("a.kvf"), QStringLiteral("b.KVF"), QStringLiteral("c.txt"),
                                QStringLiteral("d.Kvf"), QStringLiteral("loaded.kvf")})
        writeTestFile(path(file), {}, file);
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->show();
    window->showMinimized();
    if (preloaded)
        window->LoadTest(path(QStringLiteral("loaded.kvf")));
    window->HandleHandOff(name.isEmpty() ? QString() : path(name));
    // Every hand-off brings the window back.
    QVERIFY(!window->isMinimized());
    if (opens) {
        QCOMPARE(window->Test()->Title, name);
    } else if (preloaded) {
        QCOMPARE(window->Test()->Title, QStringLiteral("loaded.kvf"));
    } else {
        QVERIFY(window->Test() == nullptr);
    }
    QVERIFY(prompts.messages.isEmpty());
}

void TestMainWindow::handOffsInARowOpenOnlyTheFirst()
{
    writeTestFile(path(QStringLiteral("a.kvf")), {}, QStringLiteral("a"));
    writeTestFile(path(QStringLiteral("b.kvf")), {}, QStringLiteral("b"));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->HandleHandOff(path(QStringLiteral("c.txt")));
    window->HandleHandOff(path(QStringLiteral("a.kvf")));
    window->HandleHandOff(path(QStringLiteral("b.kvf")));
    QCOMPARE(window->Test()->Title, QStringLiteral("a"));
}

void TestMainWindow::handOffDuringPasswordPromptIsDropped()
{
    writeTestFile(
        path(QStringLiteral("locked.kvf")),
        [](TTest& test, TTaskList&) { test.OpenPassword = QStringLiteral("x"); }, QStringLiteral("locked"));
    writeTestFile(path(QStringLiteral("other.kvf")), {}, QStringLiteral("other"));
    const QString other = path(QStringLiteral("other.kvf"));
    // A later launch arrives while the password is being asked.
    struct Reentrant : ScriptedPrompts
    {
        TStudentMainForm* window = nullptr;
        QString other;
        std::optional<QString> askPassword() override
        {
            window->HandleHandOff(other);
            return QStringLiteral("x");
        }
    } reentrant;
    reentrant.other = other;
    TStudentMainForm::Options options;
    options.programFolder = m_dir->path();
    options.prompts = &reentrant;
    TStudentMainForm second(options);
    reentrant.window = &second;
    second.LoadTest(path(QStringLiteral("locked.kvf")));
    QCOMPARE(second.RunState(), rsTestLoaded);
    QCOMPARE(second.Test()->Title, QStringLiteral("locked"));
}

// Recent files.

void TestMainWindow::recentFilesOrder()
{
    QStringList files;
    for (int i = 1; i <= 6; ++i)
        files.append(writeTestFile(path(QStringLiteral("t%1.kvf").arg(i))));
    ScriptedPrompts prompts;
    {
        auto window = makeWindow(prompts);
        for (const QString& file : files) {
            window->LoadTest(file);
            QCOMPARE(window->RunState(), rsTestLoaded);
        }
        const QStringList expected{files[5], files[4], files[3], files[2], files[1]};
        QCOMPARE(window->PreviousFiles().entries(), expected);
        // The same file in another letter case is one entry, now on top.
        QString other = files[3];
        other.replace(QStringLiteral("t4.kvf"), QStringLiteral("T4.KVF"));
        QFile::rename(files[3], other);
        window->LoadTest(other);
        QCOMPARE(window->PreviousFiles().entries(),
                 QStringList({other, files[5], files[4], files[2], files[1]}));
        const QList<QAction*> entries = window->miListPreviousFiles->actions();
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries.at(0)->data().toString(), other);
        window->close();
    }
    QSettings store;
    QCOMPARE(store.value(QStringLiteral("PreviousFiles/1")).toString(), path(QStringLiteral("T4.KVF")));
    QCOMPARE(store.value(QStringLiteral("PreviousFiles/5")).toString(), files[1]);
    QVERIFY(!store.contains(QStringLiteral("PreviousFiles/6")));

    // After a restart the list comes back in the same order.
    auto restarted = makeWindow(prompts);
    QCOMPARE(restarted->PreviousFiles().entries(),
             QStringList({path(QStringLiteral("T4.KVF")), files[5], files[4], files[2], files[1]}));
    restarted->updateCommands();
    QVERIFY(restarted->miListPreviousFiles->menuAction()->isEnabled());
}

void TestMainWindow::recentFilesMenu()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("a&b")));
    const QString file = writeTestFile(path(QStringLiteral("a&b/demo.kvf")));
    const QString gone = writeTestFile(path(QStringLiteral("gone.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(gone);
    window->closeTest();
    window->LoadTest(file);
    window->closeTest();
    QFile::remove(gone);
    QList<QAction*> entries = window->miListPreviousFiles->actions();
    QCOMPARE(entries.size(), 2);
    // No accelerator of its own: an "&" of the path is shown as it is.
    QCOMPARE(entries.at(0)->text(), QString(file).replace(QStringLiteral("&"), QStringLiteral("&&")));
    // An entry whose file is gone does nothing and stays.
    entries.at(1)->trigger();
    QCOMPARE(window->RunState(), rsNoTest);
    QVERIFY(prompts.messages.isEmpty());
    entries.at(0)->trigger();
    QCOMPARE(window->RunState(), rsTestLoaded);
    window->updateCommands();
    QVERIFY(!window->miListPreviousFiles->menuAction()->isEnabled());
    QCOMPARE(window->PreviousFiles().entries(), QStringList({file, gone}));
}

// Loading and its messages.

void TestMainWindow::loadFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("message");
    QTest::newRow("foreign file") << QByteArray("not a test file at all") << QStringLiteral("")
                                  << QStringLiteral("") << false
                                  << QStringLiteral("Неверный тип файла с тестом!");
    QTest::newRow("short file") << QByteArray("Kv") << QStringLiteral("") << QStringLiteral("") << false
                                << QStringLiteral("Неверный тип файла с тестом!");
    QTest::newRow("wrong password") << QByteArray() << QStringLiteral("Секрет") << QStringLiteral("секрет")
                                    << false << QStringLiteral("Неверный пароль!");
    QTest::newRow("trailing blank") << QByteArray() << QStringLiteral("Секрет") << QStringLiteral("Секрет ")
                                    << false << QStringLiteral("Неверный пароль!");
    QTest::newRow("cancelled") << QByteArray() << QStringLiteral("Секрет") << QStringLiteral("") << true
                               << QStringLiteral("");
    QTest::newRow("damaged body") << QByteArray("damaged") << QStringLiteral("") << QStringLiteral("")
                                  << false << QStringLiteral("Ошибка загрузки теста!");
}

void TestMainWindow::loadFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, password);
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(QString, message);
    const QString good = writeTestFile(path(QStringLiteral("good.kvf")));
    const QString bad = path(QStringLiteral("bad.kvf"));
    if (bytes == "damaged") {
        QByteArray body = QByteArrayLiteral("\x05\x00\x00\x00Title");
        QFile out(bad);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(PackTestBody(body + QByteArray(3, '\xff')));
    } else if (!bytes.isEmpty()) {
        QFile out(bad);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    } else {
        writeTestFile(bad, [&](TTest& test, TTaskList&) { test.OpenPassword = password; });
    }
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(good);
    QCOMPARE(window->RunState(), rsTestLoaded);
    const QString oldTemp = window->Test()->TempFolder;
    if (!cancel && !password.isEmpty())
        prompts.passwords = {typed};
    window->LoadTest(bad);
    QCOMPARE(window->RunState(), rsNoTest);
    QVERIFY(window->Test() == nullptr);
    QVERIFY(window->Tasks().empty());
    QVERIFY(!QFileInfo::exists(oldTemp));
    QCOMPARE(prompts.passwordAsks, password.isEmpty() ? 0 : 1);
    if (message.isEmpty()) {
        QVERIFY(prompts.messages.isEmpty());
    } else {
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.at(0).text, message);
        QCOMPARE(prompts.messages.at(0).caption, QStringLiteral("Ошибка!"));
        QCOMPARE(prompts.messages.at(0).icon, MessageIcon::Error);
    }
    // A failed file does not enter the recent files.
    QCOMPARE(window->PreviousFiles().entries(), QStringList{good});
}

void TestMainWindow::loadWithPassword()
{
    const QString file = writeTestFile(path(QStringLiteral("locked.kvf")), [](TTest& test, TTaskList&) {
        test.OpenPassword = QStringLiteral("Ключ 1");
    });
    ScriptedPrompts prompts;
    prompts.passwords = {QStringLiteral("Ключ 1")};
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    QCOMPARE(prompts.passwordAsks, 1);
    QCOMPARE(window->RunState(), rsTestLoaded);
    QVERIFY(prompts.messages.isEmpty());
}

void TestMainWindow::missingFileKeepsTest()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    window->LoadTest(path(QStringLiteral("missing.kvf")));
    window->LoadTest(QString());
    QCOMPARE(window->RunState(), rsTestLoaded);
    QVERIFY(window->Test() != nullptr);
    QVERIFY(prompts.messages.isEmpty());
}

void TestMainWindow::loadFromMemory()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(QStringLiteral("server-test.kvf"), &bytes);
    QCOMPARE(window->RunState(), rsTestLoaded);
    QCOMPARE(window->Test()->FileName, QStringLiteral("server-test.kvf"));
    // Only files from disk enter the recent files.
    QVERIFY(window->PreviousFiles().isEmpty());
    window->updateCommands();
    QCOMPARE(window->windowTitle(), QStringLiteral("server-test.kvf - Kvizor Student"));
}

// What an opened test shows.

void TestMainWindow::summaryAndInfoWithTopics()
{
    const QString file = writeTestFile(
        path(QStringLiteral("topics.kvf")),
        [](TTest& test, TTaskList& tasks) {
            test.UseThemes = true;
            test.TaskLimit = 3;
            test.SetTheme(5, QStringLiteral("Тема 5"), true, 2, QString());
            tasks.clear();
            for (int themeId : {0, 0, 5, 5, 5, 7}) {
                auto task = std::make_unique<TTask>(ttSingleChoice);
                task->Variants[0] = QStringLiteral("x");
                task->ThemeId = themeId;
                tasks.push_back(std::move(task));
            }
            test.SetMarkCount(3);
            test.SetMark(1, 0, QStringLiteral("плохо"));
            test.SetMark(2, 50, QString());
            test.SetMark(3, 80, QStringLiteral("отлично"));
            test.Author = QStringLiteral("Иванова И. И., https://example.org/kvizor.");
            test.Description = QStringLiteral("Проверка знаний.");
            test.RandomTaskOrder = true;
            test.TestTimeLimit = 90;
            test.UId = QStringLiteral("{UID}");
        },
        QStringLiteral("Тест с темами"));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    QCOMPARE(window->Test()->TasksToAsk, 4);
    const QStringList summary{QStringLiteral("Открыт тест: \"Тест с темами\""),
                              QStringLiteral("Всего заданий в тесте: 4."),
                              QStringLiteral("Критерии оценивания:"),
                              QStringLiteral("  \"отлично\" не менее 80% макс. баллов;"),
                              QStringLiteral("  \"2\" не менее 50% макс. баллов;"),
                              QStringLiteral("Желаем выполнить все задания правильно..."),
                              QStringLiteral("Для начала прохождения теста дайте команду Тест -> Начать...")};
    QCOMPARE(lines(window->QuestionText), summary);
    QTextDocument* doc = qobject_cast<QTextEdit*>(window->QuestionText)->document();
    QVERIFY(doc->findBlockByNumber(0).begin().fragment().charFormat().fontWeight() == QFont::Bold);
    QVERIFY(doc->findBlockByNumber(2).begin().fragment().charFormat().fontItalic());
    QVERIFY(!doc->findBlockByNumber(5).begin().fragment().charFormat().fontItalic());
    QVERIFY(doc->findBlockByNumber(5).begin().fragment().charFormat().fontWeight() != QFont::Bold);

    QStringList info;
    QColor hidden;
    QColor background;
    QString anchor;
    QString title;
    window->updateCommands();
    prompts.onDialog = [&](QDialog& dialog) {
        auto* browser = dialog.findChild<QTextBrowser*>(QStringLiteral("reInfo"));
        info = browser->toPlainText().split(QLatin1Char('\n'));
        const QTextDocument* infoDoc = browser->document();
        hidden = infoDoc->lastBlock().begin().fragment().charFormat().foreground().color();
        background = browser->palette().color(QPalette::Base);
        for (QTextBlock block = infoDoc->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isAnchor())
                    anchor = it.fragment().charFormat().anchorHref();
        title = dialog.windowTitle();
        return int(QDialog::Accepted);
    };
    window->AShowTestInfo->trigger();
    QCOMPARE(prompts.dialogs, QStringList{QStringLiteral("TestInfoForm")});
    const QStringList expectedInfo{QStringLiteral("Открыт тест: \"Тест с темами\""),
                                   QStringLiteral("Всего заданий в тесте: 3."),
                                   QStringLiteral("Критерии оценивания:"),
                                   QStringLiteral("  \"отлично\" не менее 80% макс. баллов;"),
                                   QStringLiteral("  \"2\" не менее 50% макс. баллов;"),
                                   QStringLiteral("Автор теста: Иванова И. И., https://example.org/kvizor."),
                                   QStringLiteral("Описание теста:"),
                                   QStringLiteral("Проверка знаний."),
                                   QStringLiteral("Порядок следования заданий: случайный."),
                                   QStringLiteral("Порядок следования вариантов: нормальный."),
                                   QStringLiteral("Ограничение по времени для всего теста: 00:01:30."),
                                   QString(),
                                   QStringLiteral("UId теста: {UID}"),
                                   QStringLiteral("Тест создан: %1.").arg(info.value(13).mid(13, 19)),
                                   QStringLiteral("Тест сохранен: %1.").arg(info.value(14).mid(15, 19))};
    QCOMPARE(info, expectedInfo);
    QVERIFY(
        QRegularExpression(QStringLiteral("^Тест создан: \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.$"))
            .match(info.value(13))
            .hasMatch());
    QCOMPARE(hidden, background);
    QCOMPARE(anchor, QStringLiteral("https://example.org/kvizor"));
}

void TestMainWindow::summaryCounts_data()
{
    QTest::addColumn<int>("taskLimit");
    QTest::addColumn<int>("summaryCount");
    QTest::newRow("no limit") << 0 << 3;
    QTest::newRow("limit below count") << 2 << 2;
    QTest::newRow("limit equal to count") << 3 << 3;
    QTest::newRow("limit above count") << 9 << 3;
}

void TestMainWindow::summaryCounts()
{
    QFETCH(int, taskLimit);
    QFETCH(int, summaryCount);
    const QString file = writeTestFile(path(QStringLiteral("t.kvf")), [&](TTest& test, TTaskList&) {
        test.TaskLimit = taskLimit;
        for (int i = 1; i <= test.MarkCount(); ++i)
            test.SetMark(i, 0, QString());
    });
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    const QStringList shown = lines(window->QuestionText);
    QCOMPARE(shown.value(1), QStringLiteral("Всего заданий в тесте: %1.").arg(summaryCount));
    // Marks of 0 % leave the heading alone.
    QCOMPARE(shown.value(2), QStringLiteral("Критерии оценивания:"));
    QCOMPARE(shown.value(3), QStringLiteral("Желаем выполнить все задания правильно..."));
}

void TestMainWindow::infoTimeLimit_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << 0 << QStringLiteral("");
    QTest::newRow("90 s") << 90 << QStringLiteral("00:01:30");
    QTest::newRow("25 h wraps") << 90000 << QStringLiteral("01:00:00");
}

void TestMainWindow::infoTimeLimit()
{
    QFETCH(int, seconds);
    QFETCH(QString, shown);
    const QString file = writeTestFile(path(QStringLiteral("t.kvf")),
                                       [&](TTest& test, TTaskList&) { test.TestTimeLimit = seconds; });
    ScriptedPrompts prompts;
    QString text;
    prompts.onDialog = [&](QDialog& dialog) {
        text = dialog.findChild<QTextBrowser*>(QStringLiteral("reInfo"))->toPlainText();
        return int(QDialog::Accepted);
    };
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    window->updateCommands();
    window->AShowTestInfo->trigger();
    if (shown.isEmpty())
        QVERIFY2(!text.contains(QStringLiteral("Ограничение по времени")), qPrintable(text));
    else
        QVERIFY2(text.contains(QStringLiteral("Ограничение по времени для всего теста: %1.").arg(shown)),
                 qPrintable(text));
}

void TestMainWindow::instruction()
{
    const QString with = writeTestFile(path(QStringLiteral("with.kvf")), [](TTest& test, TTaskList&) {
        test.Instruction = QStringLiteral("Прочитайте внимательно.");
    });
    const QString without = writeTestFile(path(QStringLiteral("without.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(without);
    window->updateCommands();
    QVERIFY(!window->aShowTestInstruction->isEnabled());
    window->aShowTestInstruction->trigger();
    QVERIFY(prompts.viewers.isEmpty());
    window->closeTest();
    window->LoadTest(with);
    window->updateCommands();
    QVERIFY(window->aShowTestInstruction->isEnabled());
    window->aShowTestInstruction->trigger();
    QCOMPARE(prompts.viewers.size(), 1);
    QCOMPARE(prompts.viewers.at(0).caption, QStringLiteral("Инструкция к тесту \"Демо\""));
    QCOMPARE(prompts.viewers.at(0).text, QStringLiteral("Прочитайте внимательно."));
}

void TestMainWindow::closeTestCommand()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    const QString temp = window->Test()->TempFolder;
    window->updateCommands();
    window->ACloseTest->trigger();
    QCOMPARE(window->RunState(), rsNoTest);
    QVERIFY(window->Test() == nullptr);
    QVERIFY(!QFileInfo::exists(temp));
    QCOMPARE(plainText(window->QuestionText), QStringLiteral("Для начала работы выберите тест!..."));
    window->updateCommands();
    QCOMPARE(window->windowTitle(), QStringLiteral("Kvizor Student"));
    QCOMPARE(window->statusPanels()->panelText(0), QStringLiteral("Тест не выбран"));
}

void TestMainWindow::statusFlags_data()
{
    QTest::addColumn<bool>("education");
    QTest::addColumn<bool>("penalty");
    QTest::addColumn<bool>("skipping");
    QTest::newRow("none") << false << false << false;
    QTest::newRow("all") << true << true << true;
    QTest::newRow("penalty") << false << true << false;
}

void TestMainWindow::statusFlags()
{
    QFETCH(bool, education);
    QFETCH(bool, penalty);
    QFETCH(bool, skipping);
    const QString file = writeTestFile(path(QStringLiteral("t.kvf")), [&](TTest& test, TTaskList&) {
        test.EducationMode = education;
        test.PenaltyMode = penalty;
        test.AllowSkipping = skipping;
    });
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->LoadTest(file);
    window->updateCommands();
    TStatusPanels* bar = window->statusPanels();
    QCOMPARE(bar->panelText(6), education ? QStringLiteral("О") : QString());
    QCOMPARE(bar->panelText(7), penalty ? QStringLiteral("Ш") : QString());
    QCOMPARE(bar->panelText(8), skipping ? QStringLiteral("C") : QString());
    QCOMPARE(bar->panelText(1), QString());
    QCOMPARE(bar->panelText(9), QString());
    window->closeTest();
    window->updateCommands();
    for (int i : {6, 7, 8})
        QCOMPARE(bar->panelText(i), QString());
}

// Zoom, viewer and idle update.

void TestMainWindow::zoomSteps()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const QList<int> down{90, 80, 70, 60, 50, 50};
    for (int expected : down) {
        window->aZoomDown->trigger();
        QCOMPARE(window->ZoomPercent, expected);
    }
    window->updateCommands();
    QVERIFY(window->aZoomDown->isChecked());
    QVERIFY(!window->aZoomNormal->isChecked());
    window->aZoomNormal->trigger();
    QCOMPARE(window->ZoomPercent, 100);
    // Ctrl+U works with no test loaded, and has no upper limit.
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(window.get(), Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(window->ZoomPercent, 220);
    window->updateCommands();
    QVERIFY(window->aZoomUp->isChecked());
    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(window->ZoomPercent, 210);
    window->aZoomNormal->trigger();
    window->updateCommands();
    QVERIFY(window->aZoomNormal->isChecked());
    QVERIFY(!window->aZoomUp->isChecked());
}

void TestMainWindow::zoomReachesNewText()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->aZoomUp->trigger();
    window->aZoomUp->trigger();
    window->LoadTest(file);
    auto* view = qobject_cast<RichTextView*>(window->QuestionText);
    QCOMPARE(view->zoom(), 120);
    // The summary written after the zoom is drawn at 120 % of the 12-point text.
    QCOMPARE(DocumentZoom(view->document()), 120);
    QCOMPARE(view->document()->defaultFont().pointSizeF(), 12 * 1.2);
    window->aZoomNormal->trigger();
    QCOMPARE(view->document()->defaultFont().pointSizeF(), 12.0);
}

void TestMainWindow::f10OnlyDuringRun()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    prompts.userName = QStringLiteral("Иванов Иван");
    prompts.userGroup = QStringLiteral("10 А");
    auto window = makeWindow(prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->QuestionText->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F10);
    window->LoadTest(file);
    window->updateCommands();
    window->QuestionText->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F10);
    QVERIFY(!window->aShowREtoViewer->isEnabled());
    QVERIFY(prompts.viewers.isEmpty());

    // During a run F10 opens the focused task text, and only a task text.
    window->ABeginTest->trigger();
    QCOMPARE(window->RunState(), rsTesting);
    window->updateCommands();
    QVERIFY(window->aShowREtoViewer->isEnabled());
    window->EditInputNum->parentWidget()->show();
    window->EditInputNum->parentWidget()->setEnabled(true);
    window->EditInputNum->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F10);
    QVERIFY(prompts.viewers.isEmpty());
    window->QuestionText->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F10);
    QCOMPARE(prompts.viewers.size(), 1);
    QCOMPARE(prompts.viewers.at(0).text, QStringLiteral("QuestionText"));
    QCOMPARE(prompts.viewers.at(0).caption, QString());
    // A double click on the question does the same.
    QTest::mouseDClick(qobject_cast<QTextEdit*>(window->QuestionText)->viewport(), Qt::LeftButton);
    QCOMPARE(prompts.viewers.size(), 2);
    // Commands that need no run are disabled during one.
    QVERIFY(!window->AOpenTest->isEnabled());
    QVERIFY(!window->ACloseTest->isEnabled());
    QVERIFY(!window->ASaveConfigNow->isEnabled());
    QVERIFY(window->AEndTest->isEnabled());
    QCOMPARE(window->statusPanels()->panelText(0), QStringLiteral("Тест идет"));
    QCOMPARE(window->statusPanels()->panelText(10), QStringLiteral("Иванов Иван 10 А"));
}

void TestMainWindow::closeDuringRun()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    prompts.userName = QStringLiteral("Иванов Иван");
    prompts.userGroup = QStringLiteral("10 А");
    auto window = makeWindow(prompts);
    window->show();
    window->LoadTest(file);
    window->updateCommands();
    window->ABeginTest->trigger();
    QCOMPARE(window->RunState(), rsTesting);
    const QString log = path(QStringLiteral("KvizorStudent_Result.txt"));
    QVERIFY(readCp1251File(log).contains(QStringLiteral("Начат тест: \"Демо\"")));
    // No keeps the run and the window.
    QVERIFY(!window->close());
    QCOMPARE(prompts.questions.last(),
             QStringLiteral("Внимание! Идет тест...|Вы желаете выйти из программы во время теста?"));
    QCOMPARE(window->RunState(), rsTesting);
    QVERIFY(window->isVisible());
    // Yes ends the run, then the window closes in order.
    prompts.yesNoAnswers = {true};
    QVERIFY(window->close());
    QVERIFY(window->Test() == nullptr);
    QVERIFY(readCp1251File(log).endsWith(QStringLiteral(" Закрыта программа KvizorStudent.\r\n")));
}

void TestMainWindow::idleUpdateSettles()
{
    const QString file = writeTestFile(path(QStringLiteral("demo.kvf")));
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->LoadTest(file);
    QCOMPARE(window->windowTitle(), QStringLiteral("Kvizor Student"));
    // The rule runs by itself once the program waits for events.
    idle(50);
    QCOMPARE(window->statusPanels()->panelText(0), QStringLiteral("Тест выбран"));
    QCOMPARE(window->windowTitle(), QStringLiteral("demo.kvf - Kvizor Student"));
    QVERIFY(!window->AOpenTest->isEnabled());
    // Then idle passes change nothing, so they cause no further work.
    const int changes = window->updateChangeCount();
    idle(200);
    QCOMPARE(window->updateChangeCount(), changes);
}

// Commands, menus, layout.

void TestMainWindow::commandTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    auto row = [](const char* name, const char* category, const QString& caption, const char* shortcut) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(category) << caption
                            << QString::fromLatin1(shortcut);
    };
    row("AOpenTest", "File", QStringLiteral("&Открыть..."), "Ctrl+O");
    row("ACloseTest", "File", QStringLiteral("&Закрыть"), "");
    row("AExit", "File", QStringLiteral("В&ыход"), "");
    row("AShowQuestionImage", "Task", QString(), "");
    row("ABeginTest", "Test", QStringLiteral("&Начать тест"), "F5");
    row("AAskTask", "Task", QString(), "");
    row("AEndTest", "Test", QStringLiteral("&Закончить тест"), "");
    row("ACheckAskTask", "Task", QStringLiteral("Дальше (проверить)"), "");
    row("AShowHelp", "Help", QStringLiteral("&Просмотр справки"), "F1");
    row("AIsSaveResult", "Config", QStringLiteral("Сохранять рез&ультаты"), "");
    row("AIsSaveProtectionResult", "Config", QStringLiteral("Сохранять за&щ. результаты"), "");
    row("AIsSaveConfig", "Config", QStringLiteral("&Сохранять настройки при выходе"), "");
    row("AIsUseWindowSettings", "Config", QStringLiteral("&Использовать настройки окна"), "");
    row("ASaveConfigNow", "Config", QStringLiteral("Сохранить настройки сей&час"), "");
    row("ALoadConfigNow", "Config", QStringLiteral("&Загрузить настройки сейчас"), "");
    row("AFontSizeUp", "Config", QStringLiteral("&Крупнее"), "");
    row("AFontSizeDown", "Config", QStringLiteral("&Мельче"), "");
    row("AFontSizeNormal", "Config", QStringLiteral("&Нормальный"), "");
    row("AAdditionConfig", "Config", QStringLiteral("&Дополнительные настройки..."), "");
    row("AShowAbout", "Help", QStringLiteral("&О программе"), "");
    row("AShowLicense", "Help", QStringLiteral("&Лицензия"), "");
    row("AShowDonate", "Help", QStringLiteral("По&ддержать программу"), "");
    row("AShowTestInfo", "Test", QStringLiteral("&Информация"), "");
    row("AGetTest", "File", QStringLiteral("&Получить по сети"), "");
    row("aShowTestInstruction", "Test", QStringLiteral("Инструкция к &тесту"), "");
    row("aShowREtoViewer", "", QString(), "F10");
    row("aZoomUp", "Config", QStringLiteral("&Крупнее"), "Ctrl+U");
    row("aZoomNormal", "Config", QStringLiteral("&Обычный  (100%)"), "");
    row("aZoomDown", "Config", QStringLiteral("&Мельче"), "Ctrl+D");
    row("aShowPromptTask", "Task", QStringLiteral("Показать подсказку"), "");
    row("aIDoNotKnow", "Task", QStringLiteral("Я не знаю..."), "");
    row("aSkippingTask", "Task", QStringLiteral("Пропустить..."), "");
}

void TestMainWindow::commandTable()
{
    QFETCH(QString, name);
    QFETCH(QString, category);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    QAction* command = window->action(name);
    QVERIFY(command != nullptr);
    QCOMPARE(command->property("category").toString(), category);
    QCOMPARE(command->text(), caption);
    QCOMPARE(command->shortcut().toString(QKeySequence::PortableText), shortcut);
}

void TestMainWindow::menuTree()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    auto names = [](QMenu* menu) {
        QStringList result;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator())
                result.append(QStringLiteral("-"));
            else if (item->menu() != nullptr)
                result.append(item->menu()->objectName());
            else
                result.append(item->objectName());
        }
        return result;
    };
    QStringList titles;
    for (QAction* top : window->menuBar()->actions())
        titles.append(top->text());
    QCOMPARE(titles, QStringList({QStringLiteral("&Файл"), QStringLiteral("&Тест"),
                                  QStringLiteral("&Настройка"), QStringLiteral("&Справка")}));
    QCOMPARE(names(window->miFile),
             strings({"AOpenTest", "AGetTest", "ACloseTest", "-", "miListPreviousFiles", "-", "AExit"}));
    QCOMPARE(window->miListPreviousFiles->title(), QStringLiteral("Пре&дыдущие файлы"));
    QCOMPARE(names(window->miTest),
             strings({"AShowTestInfo", "aShowTestInstruction", "-", "ABeginTest", "AEndTest"}));
    QCOMPARE(names(window->miConfig),
             strings({"miFontSize", "miZoom", "-", "AIsUseWindowSettings", "-", "miIsSaveResult",
                      "miIsSaveProtectionResult", "-", "AAdditionConfig", "-", "AIsSaveConfig",
                      "ASaveConfigNow", "ALoadConfigNow"}));
    QCOMPARE(names(window->miFontSize), strings({"AFontSizeUp", "AFontSizeNormal", "AFontSizeDown"}));
    QCOMPARE(names(window->miZoom), strings({"aZoomUp", "aZoomNormal", "aZoomDown"}));
    QCOMPARE(window->miZoom->title(), QStringLiteral("&Масштаб"));
    QCOMPARE(names(window->miHelp),
             strings({"AShowHelp", "-", "AShowLicense", "AShowDonate", "-", "AShowAbout"}));
    // Hidden entries and check items.
    QVERIFY(!window->miFontSize->menuAction()->isVisible());
    QVERIFY(!window->miFontSize->menuAction()->isEnabled());
    for (const char* hidden : {"miIsSaveResult", "miIsSaveProtectionResult"}) {
        auto* entry = window->miConfig->findChild<QAction*>(QLatin1String(hidden));
        QVERIFY(entry != nullptr && !entry->isVisible() && entry->isCheckable());
    }
    QVERIFY(!window->aIDoNotKnow->isVisible());
    QVERIFY(!window->aSkippingTask->isVisible());
    for (QAction* check : {window->AIsUseWindowSettings, window->AIsSaveConfig, window->AIsSaveResult})
        QVERIFY(check->isCheckable());
    // Icons come with the first opening of a menu.
    QVERIFY(window->AOpenTest->icon().isNull());
    Q_EMIT window->miFile->aboutToShow();
    QVERIFY(!window->AOpenTest->icon().isNull());
    QVERIFY(!window->AShowHelp->icon().isNull());
}

// Every entry of the menu bar and of each menu answers to an Alt-letter of its own; the
// recent files are paths and carry none.
void TestMainWindow::menuMnemonics()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->AddPreviousFile(QStringLiteral("/tmp/A&B.kvf"));
    std::function<void(const QString&, const QList<QAction*>&)> checkEntries;
    checkEntries = [&](const QString& where, const QList<QAction*>& entries) {
        QHash<int, QString> taken;
        for (QAction* entry : entries) {
            if (entry->isSeparator())
                continue;
            const QKeySequence mnemonic = QKeySequence::mnemonic(entry->text());
            QVERIFY2(!mnemonic.isEmpty(), qPrintable(where + QStringLiteral(": ") + entry->text()));
            const int key = mnemonic[0].toCombined();
            QVERIFY2(
                !taken.contains(key),
                qPrintable(
                    QStringLiteral("%1: \"%2\" and \"%3\"").arg(where, taken.value(key), entry->text())));
            taken.insert(key, entry->text());
            if (QMenu* menu = entry->menu(); menu != nullptr && menu != window->miListPreviousFiles)
                checkEntries(entry->text(), menu->actions());
        }
    };
    checkEntries(QStringLiteral("menu bar"), window->menuBar()->actions());
    const QList<QAction*> recent = window->miListPreviousFiles->actions();
    QCOMPARE(recent.size(), 1);
    QVERIFY(QKeySequence::mnemonic(recent.constFirst()->text()).isEmpty());
}

void TestMainWindow::layout()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto height = [&](const char* name) {
        auto* w = window->findChild<QWidget*>(QLatin1String(name));
        return w != nullptr ? w->height() : -1;
    };
    // The designed size, or wider where the contents need it (all eleven status panels).
    QVERIFY(window->width() >= 672 && window->width() >= window->minimumSizeHint().width());
    // Regions of a designed height keep it, or grow to what their contents need.
    for (QWidget* panel : {window->Panel2, window->PanelPromptTask, window->PanelVariantInfo, window->Panel3,
                           window->PanelGoToTask})
        QCOMPARE(panel->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(height("Panel2"), std::max(20, window->Panel2->sizeHint().height()));
    QVERIFY(window->PanelPromptTask->sizeHint().height() >= 27);
    QCOMPARE(window->PanelVariantInfo->height(), std::max(20, window->PanelVariantInfo->sizeHint().height()));
    QCOMPARE(height("Panel3"), std::max(45, window->Panel3->sizeHint().height()));
    QVERIFY(window->PanelGoToTask->sizeHint().height() >= 24);
    QCOMPARE(height("PanelQuestion"), 160);
    QCOMPARE(window->Splitter2->handleWidth(), 3);
    // The answer fields are at least 30 high and fill the free space when shown.
    QVERIFY(window->PanelInputNum->minimumSizeHint().height() >= 30);
    QVERIFY(window->PanelInputText->minimumSizeHint().height() >= 30);
    QVERIFY(window->PanelQuestion->minimumSizeHint().height() >= 160);
    QVERIFY(window->PanelQuestion->minimumSizeHint().width() >= 400);
    QVERIFY(window->PanelVariant->minimumSizeHint().height() >= 150);
    QVERIFY(window->PanelVariant->minimumSizeHint().width() >= 400);
    QCOMPARE(window->QuestionImage->size(), QSize(160, 160));
    QCOMPARE(window->QuestionImage->toolTip(),
             QStringLiteral("Для увеличения изображения щелкните по нему..."));
    QCOMPARE(window->ProgressBarCountAskTask->height(), 10);
    for (QPushButton* side : {window->ButtonSkippingTask, window->ButtonIDoNotKnow})
        QVERIFY(side->sizeHint().width() >= 120);
    QCOMPARE(window->ButtonCheckAskTask->text(), QStringLiteral("Дальше (проверить)"));
    QVERIFY(!window->ButtonSkippingTask->isVisible());
    QVERIFY(!window->ButtonIDoNotKnow->isVisible());
    QVERIFY(!window->ButtonCheckAskTask->isEnabled());
    // Regions from top to bottom.
    auto top = [&](QWidget* w) { return w->mapTo(window.get(), QPoint(0, 0)).y(); };
    QVERIFY(top(window->Panel2) < top(window->PanelQuestion));
    QVERIFY(top(window->PanelQuestion) < top(window->PanelVariantInfo));
    QVERIFY(top(window->PanelVariantInfo) < top(window->PanelVariant));
    QVERIFY(top(window->PanelVariant) < top(window->Panel3));
    TStatusPanels* bar = window->statusPanels();
    QCOMPARE(bar->objectName(), QStringLiteral("StatusBar"));
    // The designed widths, or more where a text needs it; the last panel takes what is left
    // and gives way to half its width on a narrow screen.
    for (int i = 0; i < TStatusPanels::PanelCount - 1; ++i)
        QVERIFY(bar->panel(i)->width() >= TStatusPanels::PanelWidths[static_cast<std::size_t>(i)]);
    QVERIFY(bar->panel(10)->width() >= TStatusPanels::PanelWidths[10] / 2);
    QVERIFY(bar->panel(10)->alignment() & Qt::AlignLeft);
    QVERIFY(bar->panel(0)->alignment() & Qt::AlignHCenter);
}

void TestMainWindow::questionImageEnlarges()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QPixmap picture(300, 200);
    picture.fill(Qt::red);
    window->QuestionImage->setPixmap(picture);
    window->QuestionImage->show();
    QTest::mouseClick(window->QuestionImage, Qt::LeftButton);
    TShowQuestionImageForm* form = window->questionImageForm();
    QTRY_VERIFY(form->isVisible());
    QVERIFY(!form->isModal());
    QCOMPARE(form->windowTitle(), QStringLiteral("Просмотр изображения к заданию"));
    QCOMPARE(form->picture().size(), QSize(300, 200));
    QCOMPARE(form->size(), QSize(300, 200));
    form->close();
}

void TestMainWindow::infoWindows()
{
    ScriptedPrompts prompts;
    QString licence;
    prompts.onDialog = [&](QDialog& dialog) {
        if (auto* text = dialog.findChild<QPlainTextEdit*>(QStringLiteral("LicenseText")))
            licence = text->toPlainText();
        return int(QDialog::Accepted);
    };
    auto window = makeWindow(prompts);
    window->AShowAbout->trigger();
    window->AShowLicense->trigger();
    window->AShowDonate->trigger();
    QCOMPARE(prompts.dialogs, strings({"AboutForm", "LicenseForm", "DonateForm"}));
    QVERIFY(licence.contains(QStringLiteral("GNU GENERAL PUBLIC LICENSE")));
    QVERIFY(licence.contains(QStringLiteral("Version 2, June 1991")));
}

void TestMainWindow::configCommands()
{
    ScriptedPrompts prompts;
    auto window = makeWindow(prompts);
    const QString config = path(QStringLiteral("KvizorStudent_Config.txt"));
    window->AIsSaveConfig->trigger();
    QVERIFY(window->Config.IsSaveConfig);
    window->AIsUseWindowSettings->trigger();
    QVERIFY(window->Config.IsUseWindowSettings);
    prompts.yesNoAnswers = {false};
    window->ASaveConfigNow->trigger();
    QVERIFY(!QFile::exists(config));
    prompts.yesNoAnswers = {true};
    window->ASaveConfigNow->trigger();
    QCOMPARE(prompts.questions.last(),
             QStringLiteral("Внимание!|Вы желаете сохранить настройки программы сейчас?"));
    QVERIFY(readCp1251File(config).contains(QStringLiteral("IsSaveConfig=1")));
    window->Config.IsSaveConfig = false;
    prompts.yesNoAnswers = {true};
    window->ALoadConfigNow->trigger();
    QCOMPARE(prompts.questions.last(),
             QStringLiteral("Внимание!|Вы желаете загрузить настройки программы сейчас?"));
    QVERIFY(window->Config.IsSaveConfig);
}
