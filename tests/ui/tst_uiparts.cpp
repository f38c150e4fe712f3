#include "tst_ui.h"

#include "config/Config.h"
#include "Fixtures.h"
#include "model/Test.h"
#include "results/ResultLog.h"
#include "results/ResultTexts.h"
#include "ui/Help.h"
#include "ui/InputPasswordForm.h"
#include "ui/LazyIconStyle.h"
#include "ui/RecentFiles.h"
#include "ui/StatusPanels.h"
#include "ui/TestInfoForm.h"
#include "ui/TestSummary.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace kvizor;

void TestUiParts::passwordForm()
{
    TInputPasswordForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Введите пароль"));
    QString seen;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QTimer::singleShot(0, &form, [&] {
        QCOMPARE(form.edit()->echoMode(), QLineEdit::Password);
        QVERIFY(!form.showCharacters()->isChecked());
        form.edit()->insert(QStringLiteral("Пароль"));
        QTest::keyClicks(form.edit(), QStringLiteral(" 1"));
        form.showCharacters()->click();
        echo = form.edit()->echoMode();
        seen = form.edit()->text();
        QCOMPARE(form.edit()->cursorPosition(), seen.size());
        QVERIFY(!form.edit()->hasSelectedText());
        form.showCharacters()->click();
        QCOMPARE(form.edit()->echoMode(), QLineEdit::Password);
        QTest::keyClick(form.edit(), Qt::Key_Return);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(echo, QLineEdit::Normal);
    QCOMPARE(form.EnteredPassword, QStringLiteral("Пароль 1"));

    // The next showing starts empty and masked again.
    QTimer::singleShot(0, &form, [&] {
        seen = form.edit()->text();
        echo = form.edit()->echoMode();
        form.accept();
    });
    form.exec();
    QCOMPARE(seen, QString());
    QCOMPARE(echo, QLineEdit::Password);
    QCOMPARE(form.EnteredPassword, QString());
}

void TestUiParts::passwordFormEscCancels()
{
    TInputPasswordForm form;
    QTimer::singleShot(0, &form, [&] {
        QTest::keyClicks(form.edit(), QStringLiteral("abc"));
        QTest::keyClick(form.edit(), Qt::Key_Escape);
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    // The text is taken whatever closed the window.
    QCOMPARE(form.EnteredPassword, QStringLiteral("abc"));
}

void TestUiParts::recentFilesRule()
{
    TRecentFiles files;
    for (int i = 1; i <= 6; ++i)
        files.AddPreviousFile(QStringLiteral("/t/%1.kvf").arg(i));
    QCOMPARE(files.entries(), strings({"/t/6.kvf", "/t/5.kvf", "/t/4.kvf", "/t/3.kvf", "/t/2.kvf"}));
    files.AddPreviousFile(QStringLiteral("/T/4.KVF"));
    QCOMPARE(files.entries(), strings({"/T/4.KVF", "/t/6.kvf", "/t/5.kvf", "/t/3.kvf", "/t/2.kvf"}));
    // Cyrillic letter case too.
    files.AddPreviousFile(QStringLiteral("/тесты/Тест.kvf"));
    files.AddPreviousFile(QStringLiteral("/ТЕСТЫ/тест.kvf"));
    QCOMPARE(files.entries().constFirst(), QStringLiteral("/ТЕСТЫ/тест.kvf"));
    QCOMPARE(files.entries().size(), 5);
    QCOMPARE(files.entries().count(QStringLiteral("/тесты/Тест.kvf")), 0);
}

void TestUiParts::recentFilesRestore()
{
    TRecentFiles files;
    files.restore(strings({"/1.kvf", "/2.kvf", "", "/3.kvf", "/1.KVF", "/4.kvf", "/5.kvf", "/6.kvf"}));
    // Restored from the last to the first: the first stored value is on top.
    QCOMPARE(files.entries(), strings({"/1.kvf", "/2.kvf", "/3.kvf", "/4.kvf", "/5.kvf"}));
}

void TestUiParts::resultLogPath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program folder") << QStringLiteral("")
                                    << QStringLiteral("/opt/kvizor/KvizorStudent_Result.txt");
    QTest::newRow("result folder") << QStringLiteral("/srv/results")
                                   << QStringLiteral("/srv/results/KvizorStudent_Result.txt");
    QTest::newRow("result folder with separator")
        << QStringLiteral("/srv/results/") << QStringLiteral("/srv/results/KvizorStudent_Result.txt");
}

void TestUiParts::resultLogPath()
{
    QFETCH(QString, dir);
    QFETCH(QString, expected);
    TConfig config;
    config.DirForResult = dir;
    config.ResultFileName = QStringLiteral("KvizorStudent_Result.txt");
    QCOMPARE(ResultLogPath(config, QStringLiteral("/opt/kvizor")), expected);
}

void TestUiParts::resultLogAppend()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("log.txt"));
    const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
    QVERIFY(AppendLogLines(file, {LogEventLine(when, ProgramStartedLogText())}));
    QVERIFY(AppendLogLines(file, {QStringLiteral("ёЁ№")}));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(),
             QByteArray(
                 "05.03.2024 07:08:09 \xC7\xE0\xEF\xF3\xF9\xE5\xED\xE0 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 "
                 "KvizorStudent.\r\n\xB8\xA8\xB9\r\n"));
    QVERIFY(!AppendLogLines(dir.filePath(QStringLiteral("missing/log.txt")), {QStringLiteral("x")}));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
}

void TestUiParts::helpDocument()
{
    QTemporaryDir program;
    QTemporaryDir cache;
    const QString html = helpDocumentPath(program.path(), cache.path());
    QVERIFY(html.endsWith(QLatin1String(".html")));
    QFile page(html);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    QVERIFY(text.contains(QStringLiteral("Как пройти тест")));
    QVERIFY(text.contains(QStringLiteral("Строка состояния")));
    QFile chm(program.filePath(QStringLiteral("Help.chm")));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    QCOMPARE(helpDocumentPath(program.path(), cache.path()), chm.fileName());
}

void TestUiParts::openableLinks_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("openable");
    QTest::newRow("http") << QStringLiteral("http://example.org") << true;
    QTest::newRow("https") << QStringLiteral("HTTPS://example.org/a?b") << true;
    QTest::newRow("mailto") << QStringLiteral("mailto:teacher@example.org") << true;
    QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << false;
    QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("relative") << QStringLiteral("Help.chm") << false;
}

void TestUiParts::openableLinks()
{
    QFETCH(QString, url);
    QFETCH(bool, openable);
    QCOMPARE(isOpenableLink(QUrl(url)), openable);
}

void TestUiParts::markLines()
{
    TTest test;
    test.SetMarkCount(4);
    test.SetMark(1, -5, QStringLiteral("ноль"));
    test.SetMark(2, 40, QString());
    test.SetMark(3, 70, QStringLiteral("хорошо %2"));
    test.SetMark(4, 90, QStringLiteral("отлично"));
    QCOMPARE(testsummary::markLines(test),
             QStringList({QStringLiteral("  \"отлично\" не менее 90% макс. баллов;"),
                          QStringLiteral("  \"хорошо %2\" не менее 70% макс. баллов;"),
                          QStringLiteral("  \"2\" не менее 40% макс. баллов;")}));
}

void TestUiParts::lazyIconStyle()
{
    QStyle* base = QStyleFactory::create(QStringLiteral("Fusion"));
    const QImage expected = base->standardIcon(QStyle::SP_DialogOpenButton).pixmap(16).toImage();
    LazyIconStyle style(base);
    const QIcon icon = style.standardIcon(QStyle::SP_DialogOpenButton);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    QCOMPARE(icon.pixmap(16).toImage(), expected);
    // A copy made before the first drawing still draws the same picture.
    const QIcon copy = style.standardIcon(QStyle::SP_DialogOpenButton);
    QIcon second = copy;
    QCOMPARE(second.pixmap(16).toImage(), expected);
}

namespace {

// A window of the given width with the status bar, shown.
TStatusPanels* showStatusBar(QMainWindow& window, int width)
{
    auto* bar = new TStatusPanels(&window);
    window.setStatusBar(bar);
    window.resize(width, 300);
    window.show();
    return bar;
}

} // namespace

// A panel is its designed width, wider for a text that needs it, and back again after.
void TestUiParts::statusPanelWidths_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("text");
    QTest::newRow("state") << 0 << QStringLiteral("Тест не выбран, идёт загрузка");
    QTest::newRow("position") << 1 << QStringLiteral("1234/1234");
    QTest::newRow("price") << 9 << QStringLiteral("Цена 1234567 баллов");
}

void TestUiParts::statusPanelWidths()
{
    QFETCH(int, panel);
    QFETCH(QString, text);
    QMainWindow window;
    TStatusPanels* bar = showStatusBar(window, 1200);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel* label = bar->panel(panel);
    const int designed = TStatusPanels::PanelWidths[static_cast<std::size_t>(panel)];
    QCOMPARE(label->width(), designed);
    bar->setPanelText(panel, text);
    QCOMPARE(label->text(), text);
    QTRY_VERIFY(label->width() > designed);
    QVERIFY(label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(text));
    bar->setPanelText(panel, QStringLiteral("1"));
    QTRY_COMPARE(label->width(), designed);
}

// The examinee's name and group take the rest of the bar; what does not fit ends in "…" and
// the whole text is the tooltip and what the bar reports.
void TestUiParts::lastStatusPanelShortens()
{
    QMainWindow window;
    TStatusPanels* bar = showStatusBar(window, 400);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel* last = bar->panel(10);
    const QString whole = QStringLiteral("Преображенская-Завадовская Александра-Апполинария 11 Б");
    bar->setPanelText(10, whole);
    QCOMPARE(bar->panelText(10), whole);
    QVERIFY(last->text().endsWith(QChar(0x2026)));
    QVERIFY(whole.startsWith(last->text().chopped(1)));
    QCOMPARE(last->toolTip(), whole);
    QVERIFY(last->QLabel::sizeHint().width() <= last->width());
    // Room enough: the whole text and no tooltip.
    window.resize(1600, 300);
    QTRY_COMPARE(last->text(), whole);
    QCOMPARE(last->toolTip(), QString());
    bar->setPanelText(10, QStringLiteral("Иванов Иван 10 А"));
    QCOMPARE(last->text(), QStringLiteral("Иванов Иван 10 А"));
}
