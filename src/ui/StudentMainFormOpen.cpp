// Opening tests: the loader's window side, the routes into it and what an opened test shows.
#include "ui/StudentMainForm.h"

#include "model/Test.h"
#include "model/TestLoader.h"
#include "ui/Prompts.h"
#include "ui/RichTextAccess.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/TestInfoForm.h"
#include "ui/TestSummary.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace kvizor {

namespace {

bool hasTestExtension(const QString& path)
{
    return QFileInfo(path).suffix().toUpper() == QLatin1String("KVF");
}

// Plain text of a rich text, for the information window.
QString plainTextOf(const QString& richText)
{
    QTextDocument doc;
    if (Qt::mightBeRichText(richText))
        doc.setHtml(richText);
    else
        doc.setPlainText(richText);
    return doc.toPlainText().trimmed();
}

} // namespace

void TStudentMainForm::LoadTest(const QString& fileName, const QByteArray* stream)
{
    if (fileName.isEmpty() || (stream == nullptr && !QFileInfo(fileName).isFile()))
        return;
    if (m_loading)
        return;
    m_loading = true;

    freeTest();
    setRunState(rsNoTest);

    const TPasswordPrompt askPassword = [this] { return m_prompts->askPassword(); };
    TLoadResult result = stream != nullptr ? LoadTestData(fileName, *stream, askPassword)
                                           : LoadTestFile(fileName, askPassword);
    m_loading = false;
    if (!result.loaded()) {
        const QString message = result.message();
        if (!message.isEmpty())
            showLoadError(message);
        return;
    }
    m_test = std::move(result.Test);
    m_tasks = std::move(result.Tasks);
    if (stream == nullptr)
        AddPreviousFile(fileName);
    setRunState(rsTestLoaded);
    ShowTestSummary();
}

void TStudentMainForm::showLoadError(const QString& text)
{
    m_prompts->showMessage(text, QStringLiteral("Ошибка!"), MessageIcon::Error);
}

void TStudentMainForm::ShowTestSummary()
{
    if (m_test == nullptr)
        return;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    richtext_access::clear(QuestionText);
    if (QTextDocument* doc = richtext_access::document(QuestionText)) {
        QTextCursor cursor(doc);
        testsummary::writeSummary(cursor, *m_test, static_cast<int>(m_tasks.size()));
    }
    ApplyZoom();
    setUpdatesEnabled(updates);
    richtext_access::moveToStart(QuestionText);
}

void TStudentMainForm::AOpenTestExecute()
{
    if (m_runState != rsNoTest || m_loading)
        return;
    const QString path = m_prompts->chooseTestFile(Config.InitialDirOpenTest);
    // A hand-off may have opened a test while the dialog was open; that test stays.
    if (!path.isEmpty() && m_runState == rsNoTest)
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
    if (m_runState != rsNoTest)
        return;
    LoadTest(path);
}

void TStudentMainForm::LoadPreviousFiles()
{
    QSettings store;
    store.beginGroup(QStringLiteral("PreviousFiles"));
    QStringList names = store.childKeys();
    // Numbered names in number order, so "10" does not come before "2".
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        bool okA = false;
        bool okB = false;
        const int na = a.toInt(&okA);
        const int nb = b.toInt(&okB);
        if (okA && okB)
            return na < nb;
        return okA && !okB;
    });
    QStringList values;
    for (const QString& name : names)
        values.append(store.value(name).toString());
    m_previousFiles.restore(values);
    rebuildPreviousFilesMenu();
}

void TStudentMainForm::SavePreviousFiles()
{
    QSettings store;
    store.remove(QStringLiteral("PreviousFiles"));
    const QStringList& entries = m_previousFiles.entries();
    if (!entries.isEmpty()) {
        store.beginGroup(QStringLiteral("PreviousFiles"));
        for (qsizetype i = 0; i < entries.size(); ++i)
            store.setValue(QString::number(i + 1), entries.at(i));
        store.endGroup();
    }
    store.sync();
}

// What an opened test shows.

void TStudentMainForm::AShowTestInfoExecute()
{
    if (m_test == nullptr)
        return;
    TTestInfoForm form(this);
    QTextBrowser* info = form.reInfo();
    QTextCursor cursor(info->document());
    const QColor background = info->palette().color(QPalette::Base);
    testsummary::writeInfo(cursor, *m_test, static_cast<int>(m_tasks.size()), background, plainTextOf);
    info->moveCursor(QTextCursor::Start);
    m_prompts->execDialog(form);
}

void TStudentMainForm::aShowTestInstructionExecute()
{
    if (m_test == nullptr || m_test->Instruction.isEmpty())
        return;
    m_prompts->showRichText(m_test->Instruction, QStringLiteral("Инструкция к тесту \"%1\"").arg(m_test->Title));
}

void TStudentMainForm::AShowQuestionImageExecute()
{
    m_questionImageForm->setPicture(QuestionImage->pixmap());
    m_questionImageForm->show();
    m_questionImageForm->raise();
}

// Dropped files and hand-offs of later launches.

bool TStudentMainForm::acceptsDroppedFile(const QMimeData* data, QString* path) const
{
    if (m_runState != rsNoTest || m_loading || data == nullptr || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return false;
    const QString first = urls.constFirst().toLocalFile();
    if (!hasTestExtension(first))
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
    if (!message.isEmpty() && m_runState == rsNoTest && !m_loading && hasTestExtension(message))
        LoadTest(message);
}

// Window settings.

void TStudentMainForm::loadWindowSettings()
{
}

void TStudentMainForm::saveWindowSettings()
{
}

} // namespace kvizor
