// Opening tests: the loader's window side, the routes into it and what an opened test shows.
#include "ui/StudentMainForm.h"

#include "config/NiceSettings.h"
#include "config/RegistryStore.h"
#include "import/QuizImporter.h"
#include "model/Test.h"
#include "model/TestLoader.h"
#include "net/NetTestFetcher.h"
#include "net/ServerClient.h"
#include "richtext/RichText.h"
#include "ui/Prompts.h"
#include "ui/RichTextAccess.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/TestInfoForm.h"
#include "ui/TestSummary.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace kvizor {

namespace {

bool hasTestExtension(const QString& path)
{
    return QFileInfo(path).suffix().toUpper() == QLatin1String("KVF");
}

// Drops and hand-offs take test files and the quizzes the window converts.
bool isOpenableName(const QString& path)
{
    return hasTestExtension(path) || IsQuizSourceName(path);
}

// A quiz of another system: .xml and .gift files, and a file of another name (the command
// line takes any) whose content is one.
bool isQuizSource(const QString& path)
{
    if (IsQuizSourceName(path))
        return true;
    if (hasTestExtension(path))
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && DetectQuizFormat(file.peek(64 * 1024)) != TQuizFormat::Unknown;
}

} // namespace

void TStudentMainForm::LoadTest(const QString& fileName, const QByteArray* stream)
{
    if (fileName.isEmpty() || (stream == nullptr && !QFileInfo(fileName).isFile()))
        return;
    if (stream == nullptr && isQuizSource(fileName)) {
        loadQuiz(fileName);
        return;
    }
    loadWith(fileName, stream == nullptr, [&](const TPasswordPrompt& askPassword) {
        return stream != nullptr ? LoadTestData(fileName, *stream, askPassword)
                                 : LoadTestFile(fileName, askPassword);
    });
}

void TStudentMainForm::LoadTest(const QString& fileName, QIODevice& stream)
{
    if (fileName.isEmpty())
        return;
    loadWith(fileName, false, [&](const TPasswordPrompt& askPassword) {
        return LoadTestDevice(fileName, stream, askPassword);
    });
}

// A quiz is converted into a test in memory and loaded as the loader loads received bytes;
// the test keeps the name and the CRC of the source.
void TStudentMainForm::loadQuiz(const QString& fileName)
{
    ImportNotes notes;
    loadWith(
        fileName, true,
        [&](const TPasswordPrompt&) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            const std::unique_ptr<TQuizImport> import = TQuizImport::FromFile(fileName);
            TLoadResult result;
            if (import->imported()) {
                TWriterOptions options = ImportWriterOptions();
                // Written only to be read back at once: speed matters more than size.
                options.Level = 1;
                result = LoadTestData(fileName, import->toTestData(options), {});
                if (result.loaded())
                    result.Test->FileCRC = import->sourceCrc();
            } else {
                notes.error = import->message();
            }
            notes.warnings = import->warnings();
            QGuiApplication::restoreOverrideCursor();
            return result;
        },
        &notes);
}

void TStudentMainForm::loadWith(const QString& fileName, bool fromDisk,
                                const std::function<TLoadResult(const TPasswordPrompt&)>& load,
                                const ImportNotes* notes)
{
    if (m_loading || m_run->StepUnderWay())
        return;
    // The previous test is freed first; a test is never replaced during a run.
    if (RunState() == rsTestLoaded)
        m_run->ACloseTestExecute();
    if (RunState() != rsNoTest)
        return;
    m_loading = true;
    m_run->BeginLoading();

    TLoadResult result = load([this] { return m_prompts->askPassword(); });
    m_loading = false;
    const QStringList warnings = notes != nullptr ? notes->warnings : QStringList();
    if (!result.loaded()) {
        const QString message = notes != nullptr && !notes->error.isEmpty() ? notes->error : result.message();
        if (!message.isEmpty())
            showLoadError(message);
        showImportWarnings(fileName, warnings);
        return;
    }
    if (!m_run->TestLoaded(std::move(result.Test), std::move(result.Tasks)))
        return;
    if (fromDisk)
        AddPreviousFile(fileName);
    ShowTestSummary();
    showImportWarnings(fileName, warnings);
}

void TStudentMainForm::showImportWarnings(const QString& fileName, const QStringList& warnings)
{
    if (!warnings.isEmpty())
        m_prompts->showRichText(ImportWarningsText(QFileInfo(fileName).fileName(), warnings),
                                QStringLiteral("Перенос теста"));
}

void TStudentMainForm::showLoadError(const QString& text)
{
    m_prompts->showMessage(text, QStringLiteral("Ошибка!"), MessageIcon::Error);
}

void TStudentMainForm::ShowTestSummary()
{
    const TTest* test = Test();
    if (test == nullptr)
        return;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    richtext_access::clear(QuestionText);
    if (QTextDocument* doc = richtext_access::document(QuestionText)) {
        QTextCursor cursor(doc);
        testsummary::writeSummary(cursor, *test, static_cast<int>(Tasks().size()));
    }
    richtext_access::contentChanged(QuestionText);
    ApplyZoom();
    setUpdatesEnabled(updates);
    richtext_access::moveToStart(QuestionText);
}

void TStudentMainForm::AGetTestExecute()
{
    if (RunState() != rsNoTest || m_loading || exchangeUnderWay())
        return;
    // The received test is loaded while the connection is still open; the fetcher
    // reports a refusal or a failure once it is closed.
    m_fetcher->getTest(
        [this](const QString& fileName, QIODevice& block) {
            if (RunState() == rsNoTest && !m_closePending)
                LoadTest(fileName, block);
        },
        [this](FetchOutcome) { afterExchange(); });
}

void TStudentMainForm::AOpenTestExecute()
{
    if (RunState() != rsNoTest || m_loading || exchangeUnderWay())
        return;
    const QString path = m_prompts->chooseTestFile(Config.InitialDirOpenTest);
    // A hand-off may have opened a test while the dialog was open; that test stays.
    if (!path.isEmpty() && RunState() == rsNoTest && !exchangeUnderWay())
        LoadTest(path);
}

// Recent files.

void TStudentMainForm::AddPreviousFile(const QString& path)
{
    m_previousFiles.AddPreviousFile(path);
    rebuildPreviousFilesMenu();
}

void TStudentMainForm::OpenPreviousFile(const QString& path)
{
    if (RunState() != rsNoTest || exchangeUnderWay())
        return;
    LoadTest(path);
}

void TStudentMainForm::LoadPreviousFiles()
{
    RegistryStore store;
    if (!store.openKey(QString::fromUtf16(ProgramRegistryKey), true))
        return;
    QStringList values;
    const QString subKey = QString::fromUtf16(PreviousFilesSubKey);
    for (const auto& [name, value] : store.readSectionValues(subKey))
        values.append(value);
    store.closeKey();
    m_previousFiles.restore(values);
    rebuildPreviousFilesMenu();
}

void TStudentMainForm::SavePreviousFiles()
{
    RegistryStore store;
    if (!store.openKey(QString::fromUtf16(ProgramRegistryKey), true))
        return;
    const QString subKey = QString::fromUtf16(PreviousFilesSubKey);
    store.eraseSection(subKey);
    const QStringList& entries = m_previousFiles.entries();
    for (qsizetype i = 0; i < entries.size(); ++i)
        store.writeSectionString(subKey, QString::number(i + 1), entries.at(i));
    store.closeKey();
}

// What an opened test shows.

void TStudentMainForm::AShowTestInfoExecute()
{
    const TTest* test = Test();
    if (test == nullptr)
        return;
    TTestInfoForm form(this);
    QTextBrowser* info = form.reInfo();
    QTextCursor cursor(info->document());
    const QColor background = info->palette().color(QPalette::Base);
    testsummary::writeInfo(cursor, *test, static_cast<int>(Tasks().size()), background, RtfToPlainText);
    info->moveCursor(QTextCursor::Start);
    m_prompts->execDialog(form);
}

void TStudentMainForm::AShowQuestionImageExecute()
{
    // The whole picture, not the one shrunk to the question's box.
    const QVariant whole = QuestionImage->property("picture");
    m_questionImageForm->setPicture(whole.canConvert<QPixmap>() ? whole.value<QPixmap>()
                                                                : QuestionImage->pixmap());
    m_questionImageForm->show();
    m_questionImageForm->raise();
}

// Dropped files and hand-offs of later launches.

bool TStudentMainForm::acceptsDroppedFile(const QMimeData* mime, QString* path) const
{
    if (RunState() != rsNoTest || m_loading || exchangeUnderWay() || mime == nullptr || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return false;
    const QString first = urls.constFirst().toLocalFile();
    if (!isOpenableName(first))
        return false;
    if (path != nullptr)
        *path = first;
    return true;
}

void TStudentMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDroppedFile(event->mimeData(), nullptr))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TStudentMainForm::dropEvent(QDropEvent* event)
{
    QString path;
    if (!acceptsDroppedFile(event->mimeData(), &path)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    LoadTest(path);
}

void TStudentMainForm::HandleHandOff(const QString& message)
{
    RestoreMainWindow();
    // During an exchange the last file handed over waits for its end, and then follows
    // the usual rule (opened only when no test is loaded by then).
    if (exchangeUnderWay()) {
        if (!message.isEmpty())
            m_pendingHandOff = message;
        return;
    }
    openHandedOff(message);
}

void TStudentMainForm::openHandedOff(const QString& message)
{
    if (!message.isEmpty() && RunState() == rsNoTest && !m_loading && isOpenableName(message))
        LoadTest(message);
}

// Window settings.

void TStudentMainForm::setUpWindowSettings()
{
    NiceSettings = new TNiceSettings(this);
    NiceSettings->setObjectName(QStringLiteral("NiceSettings"));
    NiceSettings->setStoredProps({QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Width"),
                                  QStringLiteral("Height"), QStringLiteral("PanelQuestion.Height"),
                                  QStringLiteral("WindowState")});
    NiceSettings->setRegKey(QStringLiteral("Software\\Kvizor3\\Student"));
    NiceSettings->setStoreTarget(TNiceSettings::stRegistry);

    // Bounds are those of the normal window, so a maximised window returns to them.
    auto bounds = [this] { return isMaximized() || isMinimized() ? normalGeometry() : geometry(); };
    auto number = [](const QString& text, int* value) {
        bool ok = false;
        *value = text.toInt(&ok);
        return ok;
    };
    using RectGet = int (*)(const QRect&);
    using RectSet = void (*)(QRect&, int);
    auto boundsAccessor = [this, bounds, number](const QString& name, RectGet get, RectSet set, bool isSize) {
        NiceSettings->setAccessor(
            name, [bounds, get] { return QString::number(get(bounds())); },
            [this, bounds, set, number, isSize](const QString& text) {
                int value = 0;
                if (!number(text, &value) || (isSize && value <= 0))
                    return false;
                QRect r = bounds();
                set(r, value);
                setGeometry(r);
                return true;
            });
    };
    boundsAccessor(
        QStringLiteral("Left"), [](const QRect& r) { return r.left(); },
        [](QRect& r, int v) { r.moveLeft(v); }, false);
    boundsAccessor(
        QStringLiteral("Top"), [](const QRect& r) { return r.top(); }, [](QRect& r, int v) { r.moveTop(v); },
        false);
    boundsAccessor(
        QStringLiteral("Width"), [](const QRect& r) { return r.width(); },
        [](QRect& r, int v) { r.setWidth(v); }, true);
    boundsAccessor(
        QStringLiteral("Height"), [](const QRect& r) { return r.height(); },
        [](QRect& r, int v) { r.setHeight(v); }, true);
    NiceSettings->setAccessor(
        QStringLiteral("PanelQuestion.Height"), [this] { return QString::number(PanelQuestion->height()); },
        [this, number](const QString& text) {
            int value = 0;
            if (!number(text, &value))
                return false;
            value = std::max(value, PanelQuestion->minimumHeight());
            QList<int> sizes = Splitter2->sizes();
            const int total =
                std::max(sizes.value(0) + sizes.value(1), value + PanelVariant->minimumHeight());
            Splitter2->setSizes({value, total - value});
            return true;
        });
    NiceSettings->setAccessor(
        QStringLiteral("WindowState"),
        [this] {
            if (isMaximized())
                return QStringLiteral("wsMaximized");
            if (isMinimized())
                return QStringLiteral("wsMinimized");
            return QStringLiteral("wsNormal");
        },
        [this](const QString& text) {
            // A program that starts minimised looks as if it had not started: a stored
            // minimised state opens the normal window.
            if (text == QLatin1String("wsMaximized"))
                setWindowState(windowState() | Qt::WindowMaximized);
            else if (text == QLatin1String("wsNormal") || text == QLatin1String("wsMinimized"))
                setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
            else
                return false;
            return true;
        });
}

void TStudentMainForm::loadWindowSettings()
{
    NiceSettings->LoadSettings();
    // Bounds stored on a screen that is no longer there come back onto the nearest one.
    const QScreen* target = QGuiApplication::screenAt(geometry().center());
    if (target == nullptr)
        target = screen();
    if (target != nullptr) {
        const QRect area = target->availableGeometry();
        QRect r = geometry();
        r.setSize(r.size().boundedTo(area.size()));
        r.moveLeft(std::clamp(r.left(), area.left(), std::max(area.left(), area.right() - r.width())));
        r.moveTop(std::clamp(r.top(), area.top(), std::max(area.top(), area.bottom() - r.height())));
        if (r != geometry())
            setGeometry(r);
    }
}

void TStudentMainForm::saveWindowSettings()
{
    NiceSettings->SaveSettings();
}

} // namespace kvizor
