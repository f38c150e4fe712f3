#include "ui/StudentMainForm.h"

#include "config/ProgramFolder.h"
#include "journal/JournalStore.h"
#include "model/Test.h"
#include "net/NetMessages.h"
#include "net/NetPolicy.h"
#include "net/NetTestFetcher.h"
#include "net/ServerClient.h"
#include "net/ServerRunNetwork.h"
#include "results/ResultLog.h"
#include "results/ResultTexts.h"
#include "richtext/RichText.h"
#include "run/RunRecovery.h"
#include "ui/FontStandIns.h"
#include "ui/Help.h"
#include "ui/MainResultHost.h"
#include "ui/MainWindowView.h"
#include "ui/Prompts.h"
#include "ui/ResultOutputs.h"
#include "ui/RichTextAccess.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/SilenceablePrompts.h"
#include "ui/StatusPanels.h"
#include "ui/TestInfoForm.h"
#include "ui/TestSummary.h"
#include "ui/WidgetPrompts.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>

namespace kvizor {

namespace {

const QString StartText = QStringLiteral("Для начала работы выберите тест!...");
const QString ProgramTitle = QStringLiteral("Kvizor Student");
// Caption of plain message boxes.
const QString PlainCaption = QStringLiteral("KvizorStudent");

// The file name of a test without its folder, for either kind of separator.
QString fileNameOnly(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

} // namespace

TStudentMainForm::TStudentMainForm(const Options& options, QWidget* parent)
    : QMainWindow(parent), m_prompts(options.prompts), m_programFolder(options.programFolder),
      m_arguments(options.arguments), m_questionImageForm(options.questionImageForm)
{
    setObjectName(QStringLiteral("StudentMainForm"));
    setWindowTitle(ProgramTitle);
    setFont(QFont(TahomaFamily(), 8));

    m_programFolderGiven = !m_programFolder.isEmpty();
    if (!m_programFolderGiven)
        m_programFolder = ProgramFolder();
    if (m_prompts == nullptr) {
        m_ownPrompts = std::make_unique<WidgetPrompts>(this, options.passwordForm);
        m_prompts = m_ownPrompts.get();
    }
    m_silenceablePrompts = std::make_unique<SilenceablePrompts>(*m_prompts);
    m_prompts = m_silenceablePrompts.get();
    if (m_questionImageForm == nullptr)
        m_questionImageForm = new TShowQuestionImageForm(this);

    buildLayout();
    setUpWindowSettings();
    createActions();
    createMenus();
    createRunController(options);
    connectActions();
    createSteps();

    // The update rule runs whenever the program is about to wait for events.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TStudentMainForm::updateCommands);
    m_clockTimer = new QTimer(this);
    m_clockTimer->setSingleShot(true);
    connect(m_clockTimer, &QTimer::timeout, this, [this] {
        updateCommands();
        scheduleClockUpdate();
    });
    scheduleClockUpdate();
    updateCommands();
}

TStudentMainForm::~TStudentMainForm()
{
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        disconnect(dispatcher, nullptr, this, nullptr);
}

QAction* TStudentMainForm::action(const QString& name) const
{
    const auto actions = findChildren<QAction*>(name, Qt::FindDirectChildrenOnly);
    return actions.isEmpty() ? nullptr : actions.constFirst();
}

// Creation of the window, in order.
void TStudentMainForm::createSteps()
{
    // The answer controls of the task area are built with the layout.
    setAcceptDrops(true);
    ZoomPercent = 100;

    SetDefaultConfig(Config);
    if (m_programFolderGiven)
        Config.ConfigDir = m_programFolder;
    const ConfigStatus loaded = LoadConfig(Config);
    if (!loaded.ok)
        m_prompts->showMessage(loaded.message, PlainCaption, MessageIcon::None);

    if (Config.IsUsePreviousFiles)
        LoadPreviousFiles();

    ResetTaskArea();
    showStartText();

    WriteLogLine(LogEventLine(QDateTime::currentDateTime(), ProgramStartedLogText()));

    // The designed size, or larger where this desktop's font needs more room, as far as the
    // screen allows; never below what the contents need.
    QSize size = QSize(672, 581 + menuBar()->sizeHint().height()).expandedTo(sizeHint());
    if (const QScreen* scr = screen())
        size = size.boundedTo(scr->availableGeometry().size());
    resize(size.expandedTo(minimumSizeHint()));
    if (Config.IsUseWindowSettings) {
        loadWindowSettings();
    } else if (const QScreen* scr = screen()) {
        move(scr->availableGeometry().center() - rect().center());
    }
}

void TStudentMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce || event->spontaneous())
        return;
    m_shownOnce = true;
    // Queued, so the window is on screen before a password prompt or a message.
    QMetaObject::invokeMethod(this, &TStudentMainForm::onFirstShown, Qt::QueuedConnection);
}

void TStudentMainForm::onFirstShown()
{
    startUp();
    Q_EMIT startupFinished();
}

// An interrupted run comes first; a resumed one replaces the test named on the command line.
void TStudentMainForm::startUp()
{
    if (!offerInterruptedRuns([this] { startUp(); }))
        return;
    if (!m_arguments.isEmpty())
        LoadTest(m_arguments.constFirst());
    else if (Config.IsSendResult && Config.IsAutoGetTestFromStart)
        AGetTest->trigger();
}

void TStudentMainForm::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // Ending the program closes the window itself once the run's outputs are written.
    if (m_terminating) {
        event->ignore();
        return;
    }
    if (!exchangeUnderWay() && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The run's outputs come first: closing waits for the exchange under way, also for
    // the RESULT that ending the run has just started.
    if (exchangeUnderWay()) {
        waitToClose();
        event->ignore();
        return;
    }
    closeSteps();
    event->accept();
}

bool TStudentMainForm::FormCloseQuery()
{
    // During a run this asks first and ends the run; otherwise the window just closes.
    return m_run->FormCloseQuery();
}

bool TStudentMainForm::exchangeUnderWay() const
{
    return m_run->StepUnderWay() || m_client->isBusy();
}

void TStudentMainForm::cancelServerExchange()
{
    m_run->CancelStep();
    m_client->cancel();
}

void TStudentMainForm::waitToClose()
{
    if (m_closePending)
        return;
    m_closePending = true;
    // A fetch has nothing to lose; a run's report gets a moment to reach the server.
    if (!m_run->StepUnderWay())
        m_client->cancel();
    else
        m_closeWaitTimer->start();
}

// A step of the run or a fetch has ended.
void TStudentMainForm::afterExchange()
{
    if (exchangeUnderWay() || m_terminating)
        return;
    if (m_closePending) {
        m_closePending = false;
        m_closeWaitTimer->stop();
        m_pendingHandOff.reset();
        m_afterExchange = nullptr;
        // Closed from the event loop, not from inside the exchange's report.
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (m_afterExchange) {
        const std::function<void()> next = std::move(m_afterExchange);
        m_afterExchange = nullptr;
        next();
        if (exchangeUnderWay())
            return;
    }
    if (m_pendingHandOff) {
        const QString message = *m_pendingHandOff;
        m_pendingHandOff.reset();
        openHandedOff(message);
    }
}

void TStudentMainForm::createRunController(const Options& options)
{
    m_resultHost = std::make_unique<TMainResultHost>(*this);
    m_resultOutputs = std::make_unique<TResultOutputs>(Config, *m_prompts, *m_resultHost);
    m_resultOutputs->SetProgramFolder(m_programFolder);
    m_resultOutputs->SetSharedWriteOptions(options.sharedResultFiles);
    m_runView = std::make_unique<TMainWindowView>(*this);
    m_client = new ServerClient(this);
    if (options.connectTimeout.count() > 0)
        m_client->setConnectTimeout(options.connectTimeout);
    m_closeWaitTimer = new QTimer(this);
    m_closeWaitTimer->setSingleShot(true);
    m_closeWaitTimer->setInterval(options.closeWait);
    connect(m_closeWaitTimer, &QTimer::timeout, this, [this] {
        cancelServerExchange();
        // The run's outputs are a chain of steps (a record waiting for its file's lock, then
        // RESULT): each gets its own moment.
        if (m_closePending && exchangeUnderWay())
            m_closeWaitTimer->start();
    });
    const auto settings = [this] { return netSettingsOf(Config); };
    m_network = std::make_unique<ServerRunNetwork>(*m_client, settings);
    m_fetcher = std::make_unique<NetTestFetcher>(*m_client, settings, [this](const NetNotice& notice) {
        // A fetch the closing window cancelled tells nothing.
        if (m_closed || m_closePending)
            return;
        m_prompts->showMessage(notice.text, notice.caption.isEmpty() ? PlainCaption : notice.caption,
                               notice.kind == NetNotice::Kind::NoConnection ? MessageIcon::Error
                                                                            : MessageIcon::None);
    });
    IRunOutputs* outputs = options.runOutputs != nullptr ? options.runOutputs : m_resultOutputs.get();
    IRunNetwork* network = options.runNetwork != nullptr ? options.runNetwork : m_network.get();
    RunEnvironment environment = RunEnvironment::System();
    environment.PlainText = [](const QString& text) { return RtfToPlainText(text); };
    environment.ProgramFolder = [folder = m_programFolder] { return folder; };
    environment.RealTimers = options.realTimers;
    environment.SharedResultFiles = options.sharedResultFiles;
    m_journalFolder = options.journalFolder;
    if (m_journalFolder.isEmpty())
        m_journalFolder = m_programFolderGiven ? QDir(m_programFolder).filePath(QStringLiteral("journal"))
                                               : JournalStore::DefaultFolder();
    m_journalStore = std::make_unique<JournalStore>(m_journalFolder);
    m_journal = m_journalStore->NewJournal();
    m_run = std::make_unique<TRunController>(Config, *m_runView, *m_prompts, *outputs, *network,
                                             std::move(environment));
    m_run->SetJournal(m_journal.get());
    m_run->SetStepEndedHandler([this] { afterExchange(); });
    m_recovery = std::make_unique<TRunRecovery>(*m_journalStore, *m_run, *m_prompts, *outputs);
    m_terminateWait = options.terminateWait;
    m_terminateTimer = new QTimer(this);
    m_terminateTimer->setInterval(20);
    connect(m_terminateTimer, &QTimer::timeout, this, &TStudentMainForm::continueTermination);
    connectRunControls();
}

// Closing, in order.
void TStudentMainForm::closeSteps()
{
    m_closed = true;
    // An exchange still waiting (a slow server) ends here, before the window goes.
    m_client->cancel();
    closeTest();
    WriteLogLine(LogEventLine(QDateTime::currentDateTime(), ProgramClosedLogText()));
    if (Config.IsSaveConfig) {
        const ConfigStatus saved = SaveConfig(Config);
        if (!saved.ok)
            m_prompts->showMessage(saved.message, PlainCaption, MessageIcon::None);
    }
    if (Config.IsUsePreviousFiles)
        SavePreviousFiles();
    setAcceptDrops(false);
    if (Config.IsUseWindowSettings)
        saveWindowSettings();
    m_questionImageForm->close();
}

void TStudentMainForm::showStartText()
{
    richtext_access::clear(QuestionText);
    richtext_access::appendLine(QuestionText, StartText);
}

void TStudentMainForm::ResetTaskArea()
{
    m_runView->ResetTaskArea();
}

void TStudentMainForm::closeTest()
{
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    m_run->ACloseTestExecute();
    setUpdatesEnabled(updates);
}

void TStudentMainForm::ACloseTestExecute()
{
    closeTest();
}

void TStudentMainForm::SetCheckCommandEnabled(bool enabled)
{
    ACheckAskTask->setEnabled(enabled);
}

void TStudentMainForm::RestoreMainWindow()
{
    // Back from the task bar in the state it had before (a maximised window stays so).
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TStudentMainForm::WriteLogLine(const QString& line)
{
    m_resultOutputs->WriteLogLine(line);
}

QString TStudentMainForm::resultLogPath() const
{
    return ResultLogPath(Config, m_programFolder);
}

// Zoom and font size.

void TStudentMainForm::aZoomExecute(int step)
{
    if (step != 0)
        ZoomPercent = std::max(50, ZoomPercent + step);
    else
        ZoomPercent = 100;
    ApplyZoom();
}

void TStudentMainForm::ApplyZoom()
{
    if (richtext_access::zoom(QuestionText) == ZoomPercent)
        return;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    richtext_access::setZoom(QuestionText, ZoomPercent);
    for (int k = 0; k < 10; ++k) {
        if (auto* variant = findChild<QWidget*>(QStringLiteral("VariantRE_1_%1").arg(k)))
            richtext_access::setZoom(variant, ZoomPercent);
    }
    setUpdatesEnabled(updates);
}

void TStudentMainForm::AFontSizeExecute(int step)
{
    if (step != 0) {
        ChangeFontSize(step);
        FontSizeDelta += step;
    } else {
        ChangeFontSize(-FontSizeDelta);
        FontSizeDelta = 0;
    }
}

void TStudentMainForm::ChangeFontSize(int delta)
{
    if (delta == 0)
        return;
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    richtext_access::changeFontSize(QuestionText, delta);
    for (int column = 1; column <= 2; ++column) {
        for (int k = 0; k < 10; ++k) {
            if (auto* variant = findChild<QWidget*>(QStringLiteral("VariantRE_%1_%2").arg(column).arg(k)))
                richtext_access::changeFontSize(variant, delta);
        }
    }
    setUpdatesEnabled(updates);
}

void TStudentMainForm::aShowREtoViewerExecute()
{
    if (!aShowREtoViewer->isEnabled())
        return;
    QWidget* focused = focusWidget();
    if (focused == nullptr || !richtext_access::isTaskText(focused))
        return;
    m_prompts->showRichEditViewer(*focused, QString());
}

bool TStudentMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QuestionImage && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        AShowQuestionImage->trigger();
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched->isWidgetType()) {
        // A double click on a task text opens it in the viewer; the click focused it.
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* control = richtext_access::taskTextOf(widget);
        if (control != nullptr) {
            control->setFocus(Qt::MouseFocusReason);
            aShowREtoViewerExecute();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TStudentMainForm::watchTaskText(QWidget* control)
{
    richtext_access::watchDoubleClicks(control, this);
}

void TStudentMainForm::AShowHelpExecute()
{
    openHelp(QCoreApplication::applicationDirPath());
}

void TStudentMainForm::ASaveConfigNowExecute()
{
    if (RunState() == rsTesting || exchangeUnderWay())
        return;
    if (!m_prompts->askYesNo(QStringLiteral("Вы желаете сохранить настройки программы сейчас?"),
                             QStringLiteral("Внимание!")))
        return;
    const ConfigStatus saved = SaveConfig(Config);
    if (!saved.ok)
        m_prompts->showMessage(saved.message, PlainCaption, MessageIcon::None);
}

void TStudentMainForm::ALoadConfigNowExecute()
{
    if (RunState() == rsTesting || exchangeUnderWay())
        return;
    if (!m_prompts->askYesNo(QStringLiteral("Вы желаете загрузить настройки программы сейчас?"),
                             QStringLiteral("Внимание!")))
        return;
    const ConfigStatus loaded = LoadConfig(Config);
    if (!loaded.ok)
        m_prompts->showMessage(loaded.message, PlainCaption, MessageIcon::None);
}

// The update rule.

void TStudentMainForm::updateCommands()
{
    if (m_closed && !isVisible())
        return;
    bool changed = false;
    // A hidden action always reports itself disabled, so the rule only handles visible ones.
    auto enable = [&changed](QAction* command, bool on) {
        if (command->isEnabled() != on) {
            command->setEnabled(on);
            changed = true;
        }
    };
    auto check = [&changed](QAction* command, bool on) {
        if (command->isChecked() != on) {
            command->setChecked(on);
            changed = true;
        }
    };

    const TRunState state = RunState();
    const TTest* test = Test();
    // While an exchange waits, the commands that would enter the run or change the test
    // or the settings wait too.
    const bool waiting = exchangeUnderWay();
    const bool noTest = state == rsNoTest && !waiting;
    const bool loaded = state == rsTestLoaded && !waiting;
    const bool testing = state == rsTesting && !waiting;

    enable(AOpenTest, noTest);
    enable(AGetTest, netpolicy::isGetTestEnabled(netSettingsOf(Config), noTest));
    enable(ACloseTest, loaded);
    enable(ABeginTest, loaded);
    enable(AEndTest, testing);
    if (!testing)
        enable(ACheckAskTask, false);
    // Shown only in a run whose test offers them (a hidden command reports itself disabled).
    for (QAction* command : {aIDoNotKnow, aSkippingTask})
        enable(command, command->isVisible() && !waiting);
    enable(AShowTestInfo, state != rsNoTest && test != nullptr);
    enable(aShowTestInstruction,
           state != rsNoTest && !waiting && test != nullptr && !test->Instruction.isEmpty());
    for (QAction* command : {AIsSaveResult, AIsSaveProtectionResult, AIsSaveConfig, AIsUseWindowSettings,
                             AAdditionConfig, ASaveConfigNow, ALoadConfigNow})
        enable(command, state != rsTesting && !waiting);
    enable(aShowREtoViewer, state == rsTesting);
    enable(miListPreviousFiles->menuAction(), noTest && !m_previousFiles.isEmpty());

    check(AIsSaveResult, Config.IsSaveResult);
    check(AIsSaveProtectionResult, Config.IsSaveProtectionResult);
    check(AIsSaveConfig, Config.IsSaveConfig);
    check(AIsUseWindowSettings, Config.IsUseWindowSettings);
    check(AFontSizeUp, FontSizeDelta > 0);
    check(AFontSizeNormal, FontSizeDelta == 0);
    check(AFontSizeDown, FontSizeDelta < 0);
    check(aZoomUp, ZoomPercent > 100);
    check(aZoomNormal, ZoomPercent == 100);
    check(aZoomDown, ZoomPercent < 100);

    const QString title = test != nullptr
                              ? QStringLiteral("%1 - %2").arg(fileNameOnly(test->FileName), ProgramTitle)
                              : ProgramTitle;
    if (windowTitle() != title) {
        setWindowTitle(title);
        changed = true;
    }

    // The state's status panels and the progress bar come from the run controller.
    QStringList panels;
    for (int k = 0; k < TStatusPanels::PanelCount; ++k)
        panels.append(m_statusPanels->panelText(k));
    const int progress = ProgressBarCountAskTask->value();
    m_run->RefreshStatusPanels();
    for (int k = 0; k < TStatusPanels::PanelCount && !changed; ++k)
        changed = m_statusPanels->panelText(k) != panels.at(k);
    changed = changed || ProgressBarCountAskTask->value() != progress;

    if (changed)
        ++m_updateChanges;
}

void TStudentMainForm::scheduleClockUpdate()
{
    // The date and time panels change at the next full minute; nothing else wakes the
    // program while it is idle.
    const QTime now = QTime::currentTime();
    const int msToNextMinute = 60000 - (now.second() * 1000 + now.msec()) + 50;
    m_clockTimer->start(msToNextMinute);
}

} // namespace kvizor
