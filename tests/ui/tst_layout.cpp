// Every window shows its texts whole, with the interface font and the screen scale that
// CTest gives this run (KVIZOR_LAYOUT_FONT, QT_SCALE_FACTOR).
#include "AdditionConfigFixtures.h"
#include "ScreenFixture.h"
#include "support/TestEnvironment.h"
#include "TextFit.h"

#include "config/Config.h"
#include "results/ResultTest.h"
#include "ui/BalloonTip.h"
#include "ui/FontStandIns.h"
#include "ui/ImageArea.h"
#include "ui/InfoWindows.h"
#include "ui/InputPasswordForm.h"
#include "ui/InputUserNameForm.h"
#include "ui/MainWindowView.h"
#include "ui/ShowResultForm.h"
#include "ui/StatusPanels.h"
#include "ui/StudentAdditionConfigForm.h"
#include "ui/TestInfoForm.h"
#include "ui/TextViewForm.h"
#include "ui/VariantGrid.h"
#include "ui/WidgetPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>

using namespace kvizor;

namespace {

// The interface font of this run; its size is that of a stock desktop.
QString fontFamily()
{
    const QString family = qEnvironmentVariable("KVIZOR_LAYOUT_FONT");
    return family.isEmpty() ? QStringLiteral("DejaVu Sans") : family;
}
constexpr int InterfacePointSize = 11;

// Before the application exists: of the project's fonts, hide every other candidate for the
// Windows interface font, so the program's stand-in is the font under test, as on a desktop
// that has only it.
void restrictFonts()
{
    QStringList hidden;
    if (fontFamily() != QStringLiteral("DejaVu Sans"))
        hidden = {QStringLiteral("DejaVuSans.ttf"), QStringLiteral("DejaVuSans-Bold.ttf")};
    const QString path = QDir::temp().filePath(QStringLiteral("kvizor-layout-fonts.conf"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(kvizor::test::FontConfiguration(hidden));
    qputenv("FONTCONFIG_FILE", path.toLocal8Bit());
}

// Shows the window and returns its clipped texts, one line each.
QString clipped(QWidget* window)
{
    if (!window->isVisible()) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            return QStringLiteral("window not shown");
    }
    QApplication::processEvents();
    return textfit::ClippedTexts(window).join(QLatin1Char('\n'));
}

#define VERIFY_WHOLE(window)                                                                                 \
    do {                                                                                                     \
        const QString problems = clipped(window);                                                            \
        QVERIFY2(problems.isEmpty(), qPrintable(problems));                                                  \
    } while (false)

const QString LongName = QStringLiteral("Преображенская-Завадовская Александра-Апполинария");
const QString LongGroup = QStringLiteral("Группа ИВТ-21-1б (вечернее отделение)");

QString longText(const QString& head)
{
    return head + QStringLiteral(": сравните скорость распространения звука в воздухе, воде и стали "
                                 "при нормальных условиях и выберите верное утверждение");
}

// A task of the type as a teacher writes a long one: ten long variants, a hint with a
// penalty, a time limit and many points.
std::unique_ptr<TTask> longTask(int type)
{
    auto task = std::make_unique<TTask>(type);
    task->Question = longText(QStringLiteral("Вопрос"));
    task->Weight = 1234;
    task->Hint = QStringLiteral("Вспомните плотность среды.");
    task->HintPenalty = 22;
    task->TimeLimit = 600;
    if (task->HasVariants()) {
        for (int k = 0; k < 10; ++k) {
            const auto i = static_cast<std::size_t>(k);
            task->Variants[i] = longText(QStringLiteral("Вариант %1").arg(k + 1));
            if (type == ttMatching)
                task->MatchVariants[i] = longText(QStringLiteral("Пара %1").arg(k + 1));
            task->VariantValues[i] = type == ttOrdering || type == ttMatching
                                         ? 10 - k
                                         : (type == ttTrueFalse ? 1 + k % 2 : k == 0);
        }
    }
    task->NumberValue = 1234.5;
    task->TextAnswers = QStringLiteral("Сталь");
    task->ImageFile = type == ttImagePoint ? QStringLiteral("picture.png") : QString();
    task->AnswerRect = {10, 10, 40, 30};
    return task;
}

// The widest answer the examinee can give on screen.
void answerWidest(TStudentMainForm& form, int type)
{
    auto* grid = qobject_cast<TVariantGrid*>(form.GridPanel);
    for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
        switch (type) {
        case ttSingleChoice:
            grid->radio(9)->setChecked(true);
            break;
        case ttMultipleChoice:
            grid->check(k)->setChecked(true);
            break;
        case ttOrdering:
            // All different, so the answer is judged, and all wrong, so every mark shows.
            grid->list(k)->setCurrentIndex((k + 1) % 10);
            break;
        case ttMatching:
            grid->list(k)->setCurrentIndex(9);
            break;
        case ttTrueFalse:
            grid->list(k)->setCurrentIndex(2);
            break;
        default:
            break;
        }
    }
    // As a click or a choice of the examinee would tell the window.
    Q_EMIT grid->answerChanged();
    form.EditInputNum->setText(QStringLiteral("-1234567,25"));
    form.EditInputText->setText(longText(QStringLiteral("Ответ")));
}

TResultTest resultOf(double points, int maxPoints, const QString& markName)
{
    TResultTest r(1234);
    r.UserName = LongName;
    r.UserGroup = LongGroup;
    r.TaskCount = 1234;
    r.AskedCount = 1234;
    r.RightCount = 1111;
    r.MaxPoints = maxPoints;
    r.Points = points;
    r.MarkName = markName;
    r.MarkValue = 5;
    return r;
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void checkerFindsClippedTexts();
    void mainWindowAtStart();
    void taskArea_data();
    void taskArea();
    void resultWindow_data();
    void resultWindow();
    void identification_data();
    void identification();
    void passwordPrompt();
    void smallWindows();
    void settingsPages_data();
    void settingsPages();
    void messageBoxes_data();
    void messageBoxes();
};

void TestLayout::initTestCase()
{
    const QString family = fontFamily();
    QVERIFY2(QFontDatabase::hasFamily(family), qPrintable(family + QStringLiteral(" is not installed")));
    // The program's own stand-in for the Windows font is the font under test.
    QCOMPARE(TahomaFamily(), family);
    QApplication::setFont(QFont(family, InterfacePointSize));
    QCOMPARE(QFontInfo(QApplication::font()).family(), family);
}

// The checker itself: each fault it is meant to see, and texts that really fit.
void TestLayout::checkerFindsClippedTexts()
{
    QWidget window;
    window.resize(600, 400);
    auto add = [&window](QWidget* w, const char* name, QRect geometry) {
        w->setParent(&window);
        w->setObjectName(QLatin1String(name));
        w->setGeometry(geometry);
        return w;
    };
    add(new QLabel(QStringLiteral("Результативность:")), "narrowLabel", {0, 0, 40, 30});
    add(new QLabel(QStringLiteral("Да")), "wideLabel", {0, 30, 200, 30});
    auto* wrapped = new QLabel(longText(QStringLiteral("Текст")));
    wrapped->setWordWrap(true);
    add(wrapped, "shortWrapped", {0, 60, 200, 20});
    auto* wrappedWhole = new QLabel(QStringLiteral("Два слова"));
    wrappedWhole->setWordWrap(true);
    add(wrappedWhole, "wrappedWhole", {0, 80, 200, 40});
    auto* shortened = new QLabel(QStringLiteral("Иванов…"));
    shortened->setToolTip(QStringLiteral("Иванов Иван 10 А"));
    add(shortened, "shortenedWithTip", {0, 120, 200, 30});
    add(new QLabel(QStringLiteral("Иванов…")), "shortenedWithoutTip", {0, 150, 200, 30});
    auto* strip = add(new QWidget, "strip", {0, 180, 100, 30});
    auto* beyond = new QLabel(QStringLiteral("Иванов Иван 10 А"), strip);
    beyond->setObjectName(QStringLiteral("cutByParent"));
    beyond->setGeometry(60, 0, 200, 30);
    add(new QRadioButton(QStringLiteral("10")), "narrowRadio", {300, 0, 20, 30});
    add(new QCheckBox(QStringLiteral("10")), "wideCheck", {300, 30, 100, 30});
    auto* list = new QComboBox;
    list->addItems({QString(), QStringLiteral("Да"), QStringLiteral("Нет")});
    list->setCurrentIndex(2);
    add(list, "narrowList", {300, 60, 40, 30});
    add(new QPushButton(QStringLiteral("Дальше (проверить)")), "narrowButton", {300, 90, 60, 30});
    add(new QGroupBox(QStringLiteral("Цвета выделения сопоставления:")), "narrowGroup", {300, 120, 80, 60});
    auto* tabs = new QTabWidget;
    tabs->setUsesScrollButtons(false);
    for (const char* caption : {"Ассоциация", "Ярлыки", "Сеть", "Папки", "Сохр. рез.", "Вывод рез."})
        tabs->addTab(new QWidget, QString::fromUtf8(caption));
    add(tabs, "narrowTabs", {300, 200, 150, 80});
    auto* edit = new QLineEdit(QStringLiteral("Иванов"));
    add(edit, "flatEdit", {0, 220, 200, 8});

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList problems = textfit::ClippedTexts(&window);
    QStringList flagged;
    for (const QString& line : problems) {
        const QString name = line.section(QLatin1Char(' '), 1, 1).section(QLatin1Char('/'), 0, 0);
        if (!flagged.contains(name))
            flagged.append(name);
    }
    flagged.sort();
    const QStringList expected = {QStringLiteral("cutByParent"),  QStringLiteral("flatEdit"),
                                  QStringLiteral("narrowButton"), QStringLiteral("narrowGroup"),
                                  QStringLiteral("narrowLabel"),  QStringLiteral("narrowList"),
                                  QStringLiteral("narrowRadio"),  QStringLiteral("narrowTabs"),
                                  QStringLiteral("shortWrapped"), QStringLiteral("shortenedWithoutTip")};
    QVERIFY2(flagged == expected, qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestLayout::mainWindowAtStart()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.Title = longText(QStringLiteral("Тест"));
        tasks.push_back(longTask(ttSingleChoice));
    });
    VERIFY_WHOLE(&w.form());
}

void TestLayout::taskArea_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("single choice") << int(ttSingleChoice);
    QTest::newRow("multiple choice") << int(ttMultipleChoice);
    QTest::newRow("ordering") << int(ttOrdering);
    QTest::newRow("matching") << int(ttMatching);
    QTest::newRow("true or false") << int(ttTrueFalse);
    QTest::newRow("number") << int(ttNumber);
    QTest::newRow("text") << int(ttText);
    QTest::newRow("place on picture") << int(ttImagePoint);
}

// A run of one long task with every panel on: the task, its feedback in education mode,
// the summary and the result window.
void TestLayout::taskArea()
{
    QFETCH(int, type);
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("picture.png"), pngPicture(300, 200), {}});
    ScreenWindow w(
        [type](TTest& test, TTaskList& tasks) {
            test.Title = longText(QStringLiteral("Тест"));
            test.EducationMode = true;
            test.PenaltyMode = true;
            test.AllowSkipping = true;
            test.TestTimeLimit = 5400;
            tasks.push_back(longTask(type));
        },
        files, true);
    TStudentMainForm& form = w.form();
    form.Config.IsShowDetailReportModeEducation = false;
    form.Config.IsUseSound = false;
    w.prompts.identifyScript = nullptr;
    w.prompts.userName = LongName;
    w.prompts.userGroup = LongGroup;
    w.begin();
    QCOMPARE(form.RunState(), rsTesting);
    answerWidest(form, type);
    VERIFY_WHOLE(&form);
    // Made as small as it lets itself be.
    const QSize opened = form.size();
    form.resize(form.minimumSizeHint());
    QTRY_COMPARE(form.size(), form.minimumSizeHint());
    VERIFY_WHOLE(&form);
    form.resize(opened);

    QStringList shown;
    w.prompts.onMessage = [&](const QString& text) {
        const QString problems = clipped(&form);
        if (!problems.isEmpty())
            shown.append(QStringLiteral("with \"%1\" on screen:\n%2").arg(text, problems));
    };
    int resultWindows = 0;
    w.prompts.onDialog = [&](QDialog& dialog) {
        ++resultWindows;
        const QString problems = clipped(&dialog);
        if (!problems.isEmpty())
            shown.append(problems);
        dialog.hide();
        return int(QDialog::Accepted);
    };
    if (type == ttImagePoint)
        QTest::mouseClick(form.runView().imageArea()->image(), Qt::LeftButton, {}, QPoint(200, 150));
    w.clickCheck();
    QCOMPARE(form.RunState(), rsTestLoaded);
    QCOMPARE(resultWindows, 1);
    QVERIFY2(shown.isEmpty(), qPrintable(shown.join(QLatin1Char('\n'))));
    VERIFY_WHOLE(&form);
}

void TestLayout::resultWindow_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("maxPoints");
    QTest::addColumn<QString>("mark");
    QTest::newRow("22.5 of 1234") << 22.5 << 1234 << QStringLiteral("неудовлетворительно");
    QTest::newRow("1234.5 of 2000") << 1234.5 << 2000 << QStringLiteral("хорошо");
    QTest::newRow("negative") << -1234.5 << 100000 << QString();
    QTest::newRow("long grade") << 99999.9 << 100000
                                << QStringLiteral("отлично с отличием и благодарностью комиссии");
}

void TestLayout::resultWindow()
{
    QFETCH(double, points);
    QFETCH(int, maxPoints);
    QFETCH(QString, mark);
    TShowResultForm form;
    form.SetResult(resultOf(points, maxPoints, mark));
    VERIFY_WHOLE(&form);
}

void TestLayout::identification_data()
{
    QTest::addColumn<int>("hour");
    QTest::newRow("night") << 3;
    QTest::newRow("morning") << 8;
    QTest::newRow("day") << 13;
    QTest::newRow("evening") << 20;
}

// The greeting of each time of day, long entries and the balloon tip of a refused name.
void TestLayout::identification()
{
    QFETCH(int, hour);
    ScriptedPrompts prompts;
    TInputUserNameForm form(nullptr, &prompts);
    form.setClock([hour] { return QTime(hour, 0); });
    form.UserNameExpression = QStringLiteral("^[А-Я]{1}[а-я]{1,} [А-Я]{1}[а-я]{1,}$");
    form.UserNameExample = QStringLiteral("Преображенская Апполинария");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.UserName->setText(LongName);
    form.UserGroup->setText(QStringLiteral("11 Б"));
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QVERIFY(form.JvBalloonHint->isVisible());
    VERIFY_WHOLE(&form);
    VERIFY_WHOLE(form.JvBalloonHint);
}

void TestLayout::passwordPrompt()
{
    TInputPasswordForm form;
    VERIFY_WHOLE(&form);
}

// The information window, the viewer, About, the licence and the support window.
void TestLayout::smallWindows()
{
    TTestInfoForm info;
    info.reInfo()->setPlainText(longText(QStringLiteral("Описание")));
    VERIFY_WHOLE(&info);
    TTextViewForm viewer;
    VERIFY_WHOLE(&viewer);
    TAboutForm about;
    VERIFY_WHOLE(&about);
    TLicenseForm license;
    VERIFY_WHOLE(&license);
    TDonateForm donate;
    VERIFY_WHOLE(&donate);
}

void TestLayout::settingsPages_data()
{
    QTest::addColumn<int>("page");
    const char* pages[] = {"Ассоциация", "Ярлыки", "Сеть", "Папки", "Сохр. рез.",
                           "Вывод рез.", "Цвета",  "Имя",  "Звук",  "Пароль"};
    for (int i = 0; i < 10; ++i)
        QTest::newRow(pages[i]) << i;
}

void TestLayout::settingsPages()
{
    QFETCH(int, page);
    QTemporaryDir dir;
    TConfig config;
    SetDefaultConfig(config);
    config.DirForResult = dir.filePath(QStringLiteral("Результаты тестирования/2024-2025 учебный год"));
    config.IsUseSound = true;
    config.IsUseDefaultSound = false;
    config.SoundFileName = QStringLiteral("Окончание теста.wav");
    ScriptedPrompts prompts;
    ScriptedChoosers choosers;
    RecordingSoundPlayer player;
    TStudentAdditionConfigForm::Options options;
    options.programFolder = dir.path();
    options.choosers = &choosers;
    options.soundPlayer = &player;
    TStudentAdditionConfigForm form(config, prompts, nullptr, options);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.PageControl()->setCurrentIndex(page);
    VERIFY_WHOLE(&form);
}

void TestLayout::messageBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("question");
    QTest::newRow("result hidden")
        << QStringLiteral("Тест закончен... \r\nРезультаты тестирования\r\nВы можете узнать у "
                          "руководителя.")
        << QStringLiteral("Результаты тестирования") << int(MessageIcon::Warning) << false;
    QTest::newRow("missing picture")
        << QStringLiteral(
               "Файл: /home/ученик/Документы/Тесты по физике/Механика/{6F9619FF-8B86-D011-B42D-00C04FC964FF}/"
               "рисунок.png с изображением отсутствует!")
        << QStringLiteral("KvizorStudent") << int(MessageIcon::None) << false;
    QTest::newRow("no server") << QStringLiteral("Нет связи с сервером!") << QStringLiteral("Ошибка!")
                               << int(MessageIcon::Error) << false;
    QTest::newRow("stop question") << QStringLiteral("Вы действительно желаете прервать тестирование?")
                                   << QStringLiteral("Внимание!") << int(MessageIcon::Question) << true;
    QTest::newRow("stop question, long caption")
        << QStringLiteral("Вы желаете остановить тест?") << QStringLiteral("Внимание! Идет тест...")
        << int(MessageIcon::Question) << true;
    QTest::newRow("caption longer than the text")
        << QStringLiteral("Время вышло!") << QStringLiteral("Внимание! Идет тест...")
        << int(MessageIcon::Warning) << false;
}

void TestLayout::messageBoxes()
{
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(bool, question);
    const auto makeBox = [&] {
        return question ? WidgetPrompts::makeYesNoBox(text, caption, nullptr)
                        : WidgetPrompts::makeMessageBox(text, caption, MessageIcon(icon), nullptr);
    };
    VERIFY_WHOLE(makeBox().get());

    // The title bar shows the caption whole, also with the smaller interface font of a
    // desktop without settings of its own, where the box's text is short. A title bar as
    // common desktops draw it: the caption in bold of at least 10 points, beside the window
    // icon and three buttons, each a line high and a few pixels apart.
    const QFont interfaceFont = QApplication::font();
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(interfaceFont); });
    for (const int points : {InterfacePointSize, 9}) {
        QApplication::setFont(QFont(fontFamily(), points));
        const std::unique_ptr<QMessageBox> box = makeBox();
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QFont title(fontFamily(), std::max(points, 10));
        title.setBold(true);
        const QFontMetrics metrics(title);
        const int needed = metrics.horizontalAdvance(caption) + 4 * (metrics.height() + 4);
        QVERIFY2(box->width() >= needed,
                 qPrintable(QStringLiteral("%1 pt: %2 < %3").arg(points).arg(box->width()).arg(needed)));
    }
}

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    restrictFonts();
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TestLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_layout.moc"
