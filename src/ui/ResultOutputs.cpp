#include "ResultOutputs.h"

#include "config/Config.h"
#include "results/DetailReport.h"
#include "results/ResultLog.h"
#include "results/ResultTest.h"
#include "results/ResultTexts.h"
#include "results/SharedFileWriter.h"
#include "RichTextRoutines.h"
#include "run/RunPrompts.h"
#include "ShowResultForm.h"

#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <memory>

namespace kvizor {
namespace {

// Holds a window's redrawing for a scope.
class UpdatesSuspended
{
public:
    explicit UpdatesSuspended(QWidget* widget)
        : m_widget(widget), m_wasEnabled(widget && widget->updatesEnabled())
    {
        if (m_wasEnabled)
            m_widget->setUpdatesEnabled(false);
    }
    ~UpdatesSuspended()
    {
        if (m_wasEnabled)
            m_widget->setUpdatesEnabled(true);
    }
    UpdatesSuspended(const UpdatesSuspended&) = delete;
    UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;

private:
    QWidget* m_widget;
    bool m_wasEnabled;
};

} // namespace

TResultOutputs::TResultOutputs(const TConfig& config, IRunPrompts& prompts, IResultHost& host,
                               std::function<QDateTime()> now)
    : m_config(config), m_prompts(prompts), m_host(host), m_now(std::move(now)),
      m_eventLineWait(kEventLineLockWait), m_writer(std::make_unique<SharedFileWriter>())
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTime(); };
}

TResultOutputs::~TResultOutputs() = default;

QString TResultOutputs::logPath() const
{
    return m_programFolder.isEmpty() ? ResultLogPath(m_config) : ResultLogPath(m_config, m_programFolder);
}

void TResultOutputs::reportAppend(const QString& path, const LogWriteResult& written)
{
    const QString caption = QString::fromUtf16(kResultLogErrorCaption);
    if (!written.Written)
        m_prompts.ShowMessage(caption, QString::fromUtf16(kResultLogErrorText), MessageIcon::Information);
    else if (written.Route.Diverted)
        m_prompts.ShowMessage(caption, SharedFileDivertedMessage(path, written.Route.Path),
                              MessageIcon::Information);
}

void TResultOutputs::WriteLogLine(const QString& line)
{
    if (!m_config.IsSaveResult)
        return;
    // A single line does not wait long for the lock on this thread (it has no event loop of
    // its own); a log that stays locked gets it in the fallback folder.
    SharedWriteOptions options = m_shared;
    options.LockWait = std::min(options.LockWait, m_eventLineWait);
    const QString path = logPath();
    LogWriteResult written;
    try {
        written = AppendSharedLogLines(path, {line}, options);
    } catch (const std::exception&) {
        written.Written = false;
    }
    reportAppend(path, written);
}

void TResultOutputs::SaveResultLog(const TResultTest& result, const WriteDone& done)
{
    if (!m_config.IsSaveResult) {
        done(true);
        return;
    }
    const QString path = logPath();
    const auto answered = std::make_shared<bool>(false);
    const auto finished = [this, path, done, answered](const LogWriteResult& written) {
        *answered = true;
        if (written.Route.Abandoned) {
            done(false);
            return;
        }
        reportAppend(path, written);
        done(true);
    };
    try {
        AppendSharedLogLines(*m_writer, path, ResultLogRecord(result, m_now()), m_shared, finished);
    } catch (const std::exception&) {
        if (!*answered)
            finished(LogWriteResult{});
    }
}

void TResultOutputs::EndLogWait(LockWaitEnd how)
{
    m_writer->EndWaits(how);
}

void TResultOutputs::PlayEndTestSound()
{
    // A sound that cannot be played is silence, never a reason to stop the outputs.
    try {
        m_host.PlayEndTestSound();
    } catch (const std::exception&) {
    }
}

void TResultOutputs::ShowUserResult(const TResultTest& result, const TTest&)
{
    QTextDocument* document = m_host.QuestionDocument();
    if (!document)
        return;
    {
        UpdatesSuspended hold(m_host.ResultOwner());
        WriteStyledLines(document, UserResultLines(result, m_config.IsShowUserResult));
    }
    m_host.SummaryShown();
}

TShowResultForm& TResultOutputs::ResultForm()
{
    if (!m_resultForm)
        m_resultForm = std::make_unique<TShowResultForm>(m_host.ResultOwner());
    return *m_resultForm;
}

void TResultOutputs::ShowResultWindow(const TResultTest& result, const TTest&)
{
    TShowResultForm& form = ResultForm();
    form.SetResult(result);
    m_host.ExecDialog(form);
}

void TResultOutputs::ShowDetailReport(const TResultTest& result, const TTest& test, const TTaskList& tasks)
{
    QTextDocument report;
    report.setDefaultFont(m_host.QuestionFont());
    BuildDetailReport(&report, test, tasks, result, [this](const QString&, const QString&) {
        m_prompts.ShowMessage(QString::fromUtf16(kPlainMessageCaption),
                              QString::fromUtf16(kPictureLoadErrorText), MessageIcon::None);
    });
    m_host.ShowDocumentViewer(report, QString::fromUtf16(kDetailReportCaption));
}

bool ShowDocumentViewer(QTextDocument& document, const QString& caption, QWidget* parent)
{
    // A hidden control lends the document to the viewer, which copies it with its pictures.
    QTextEdit control;
    control.setDocument(&document);
    const bool accepted = ShowRichEditViewer(&control, caption, parent);
    return accepted;
}

} // namespace kvizor
