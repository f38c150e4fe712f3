#pragma once

#include "results/SharedResultFile.h"
#include "run/RunOutputs.h"

#include <QDateTime>
#include <QFont>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QDialog;
class QTextDocument;
class QWidget;

namespace kvizor {

struct TConfig;
struct LogWriteResult;
class IRunPrompts;
class SharedFileWriter;
class TShowResultForm;

// What the end-of-run outputs need from the main window.
class IResultHost
{
public:
    virtual ~IResultHost() = default;

    // Owner of the result window and the window whose redrawing is held while the summary
    // is written.
    virtual QWidget* ResultOwner() = 0;
    // The question area's document, which receives the summary.
    virtual QTextDocument* QuestionDocument() = 0;
    // Called after the summary was written: zoom applied again, caret and view at the start.
    virtual void SummaryShown() = 0;
    // The base font of the detailed report.
    virtual QFont QuestionFont() const = 0;
    virtual void PlayEndTestSound() = 0;
    // Runs a prepared modal window and returns its result.
    virtual int ExecDialog(QDialog& dialog) = 0;
    // The rich-text viewer, modal, showing a built document.
    virtual void ShowDocumentViewer(QTextDocument& document, const QString& caption) = 0;
};

// The end-of-run outputs of the results module: the summary in the question area, the
// result log, the result window and the detailed report, plus the event lines of the log.
// Each output reports its own failure through the prompts and returns, so the steps after
// it still run.
class TResultOutputs : public IRunOutputs
{
public:
    // now gives the moment written into the log record (the system clock when empty).
    TResultOutputs(const TConfig& config, IRunPrompts& prompts, IResultHost& host,
                   std::function<QDateTime()> now = {});
    ~TResultOutputs() override;

    void WriteLogLine(const QString& line) override;
    void PlayEndTestSound() override;
    void ShowUserResult(const TResultTest& result, const TTest& test) override;
    void SaveResultLog(const TResultTest& result, const WriteDone& done) override;
    void EndLogWait(LockWaitEnd how) override;
    void ShowResultWindow(const TResultTest& result, const TTest& test) override;
    void ShowDetailReport(const TResultTest& result, const TTest& test, const TTaskList& tasks) override;

    // The folder of the result log when no result folder is configured (the program
    // folder unless set).
    void SetProgramFolder(const QString& folder) { m_programFolder = folder; }
    // How long a run's record waits for a locked log and where its lines go then.
    void SetSharedWriteOptions(const SharedWriteOptions& options) { m_shared = options; }
    // How long an event line waits for the log's lock (kEventLineLockWait unless set); it is
    // written on the caller's thread.
    void SetEventLineWait(std::chrono::milliseconds wait) { m_eventLineWait = wait; }

    // The one result window of the program, made on first use.
    TShowResultForm& ResultForm();

private:
    // Tells the user when an append failed or its lines went to another file.
    void reportAppend(const QString& path, const LogWriteResult& written);
    QString logPath() const;

    const TConfig& m_config;
    IRunPrompts& m_prompts;
    IResultHost& m_host;
    std::function<QDateTime()> m_now;
    QString m_programFolder;
    SharedWriteOptions m_shared;
    std::chrono::milliseconds m_eventLineWait;
    std::unique_ptr<TShowResultForm> m_resultForm;
    // The run records waiting for the log's lock; declared last, so a write under way ends
    // before anything it could report to goes.
    std::unique_ptr<SharedFileWriter> m_writer;
};

// The viewer with a built document (pictures included), modal; what the main window's
// IResultHost::ShowDocumentViewer does. True when closed with OK.
bool ShowDocumentViewer(QTextDocument& document, const QString& caption, QWidget* parent);

// Caption of the plain message boxes (the program's title).
inline constexpr char16_t kPlainMessageCaption[] = u"KvizorStudent";

} // namespace kvizor
