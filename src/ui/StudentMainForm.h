#pragma once

#include "config/Config.h"
#include "model/Task.h"
#include "model/TestLoader.h"
#include "run/RunController.h"
#include "ui/RecentFiles.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <QElapsedTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QIODevice;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTimer;

namespace kvizor {

class FileRunJournal;
class JournalStore;
class Prompts;
class SilenceablePrompts;
class TRunRecovery;
class TInputPasswordForm;
class IRunOutputs;
class TMainResultHost;
class TResultOutputs;
class ServerClient;
class NetTestFetcher;
class TMainWindowView;
class TRunKeyboard;
class TNiceSettings;
class TShowQuestionImageForm;
class TStatusPanels;
class TTest;
class WidgetPrompts;

// The program's main window: the frame around a test run. It owns the settings, the
// loaded test and the recent-files list, opens tests by every route and keeps its
// commands, title and status bar up to date whenever the program goes idle.
class TStudentMainForm : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        // The program's arguments without the program name; the first names a test.
        QStringList arguments;
        // Folder of the settings file and the result log; empty means the program folder.
        QString programFolder;
        // Answers modal questions; empty means real message boxes and dialogs.
        Prompts* prompts = nullptr;
        // The program's one password prompt, when made by the caller.
        TInputPasswordForm* passwordForm = nullptr;
        // The enlarged-picture window, when made by the caller.
        TShowQuestionImageForm* questionImageForm = nullptr;
        // The end-of-run outputs and the server reports of a run; when not given, the
        // window's own (summary, result log, result window, report; the test server).
        IRunOutputs* runOutputs = nullptr;
        IRunNetwork* runNetwork = nullptr;
        // Whether the run clocks tick on their own; tests tick them by hand.
        bool realTimers = true;
        // How long closing the window waits for each step of a run (a server exchange, a
        // record waiting for its file's lock) before it cuts it short; and the connection
        // time-out of every exchange (0: the usual).
        std::chrono::milliseconds closeWait{5000};
        std::chrono::milliseconds connectTimeout{0};
        // Folder of the run journals; empty means the per-user data folder's, or, with a
        // programFolder given, "journal" inside that folder.
        QString journalFolder;
        // How long ending the program (Terminate) waits for a run's server exchanges and a
        // record's wait for its file's lock before it cuts them short.
        std::chrono::milliseconds terminateWait{3000};
        // How long the run's records wait for the lock of a result file that another program
        // holds, and where they go then.
        SharedWriteOptions sharedResultFiles;
    };

    explicit TStudentMainForm(const Options& options, QWidget* parent = nullptr);
    TStudentMainForm() : TStudentMainForm(Options{}) {}
    ~TStudentMainForm() override;

    TConfig Config;
    // Display scale of the question and the first-column variant texts; never below 50.
    int ZoomPercent = 100;
    // Sum of the point changes of the font-size commands.
    int FontSizeDelta = 0;
    // Window position, size, state and question height between runs.
    TNiceSettings* NiceSettings = nullptr;

    TRunState RunState() const { return m_run->RunState(); }
    const TTest* Test() const { return m_run->Test(); }
    const TTaskList& Tasks() const { return m_run->Tasks(); }
    TRunController& runController() const { return *m_run; }
    // The task area as the run controller sees it, and the run's keyboard.
    TMainWindowView& runView() const { return *m_runView; }
    TRunKeyboard& runKeyboard() const { return *m_runKeyboard; }
    const TRecentFiles& PreviousFiles() const { return m_previousFiles; }
    Prompts& prompts() const { return *m_prompts; }
    QString programFolder() const { return m_programFolder; }
    TShowQuestionImageForm* questionImageForm() const { return m_questionImageForm; }
    TStatusPanels* statusPanels() const { return m_statusPanels; }
    // The action of the given object name; nullptr for an unknown name.
    QAction* action(const QString& name) const;

    // Opens a test from a file, or from the bytes of a test file (received from the
    // server) known by fileName. Failures have been reported when it returns.
    void LoadTest(const QString& fileName, const QByteArray* stream = nullptr);
    // The same from a device positioned at the first byte of the test file.
    void LoadTest(const QString& fileName, QIODevice& stream);
    void ShowTestSummary();
    void AddPreviousFile(const QString& path);
    void OpenPreviousFile(const QString& path);
    void LoadPreviousFiles();
    void SavePreviousFiles();

    // Appends one line to the result log when results are saved; a failure is reported.
    void WriteLogLine(const QString& line);
    QString resultLogPath() const;

    void ApplyZoom();
    void ChangeFontSize(int delta);
    void SetCheckCommandEnabled(bool enabled);
    void RestoreMainWindow();
    void ResetTaskArea();
    void closeTest();

    // Makes a double click on a task text (question or variant) open it in the viewer.
    void watchTaskText(QWidget* control);
    // Asked before the window closes; false keeps it open.
    bool FormCloseQuery();

    // The program is asked to end (SIGTERM, SIGINT, the session's logout): open modal boxes
    // are closed, a run in progress ends as "закрыта программа" and its outputs are written
    // (its server exchanges waited for at most terminateWait), nothing is asked or shown,
    // and the window closes the usual way and ends the event loop. A run that could not be
    // ended in time stays in its journal for the next start.
    void Terminate();
    bool terminating() const { return m_terminating; }
    QString journalFolder() const;

    // A server exchange is under way (a run's step or a fetch; a run's step may also be a
    // record waiting for its file's lock): commands that open, close, run or set anything
    // are refused, drops too; a hand-off waits for its end, and so does closing the window.
    bool exchangeUnderWay() const;
    // Ends the exchange under way as a failed one.
    void cancelServerExchange();

    // The idle-time update rule: enabling, check marks, title and status panels.
    void updateCommands();
    // How many update passes changed something; an idle program leaves it still.
    int updateChangeCount() const { return m_updateChanges; }

public Q_SLOTS:
    // A file handed over by a later launch. The window comes to the front; a test file
    // (any letter case of ".kvf") or a quiz (".xml", ".gift") is opened while no test is
    // loaded, anything else is dropped. An empty message only brings the window to the front.
    void HandleHandOff(const QString& message);

Q_SIGNALS:
    // The window has been shown for the first time and has done its start-up work
    // (command-line test opened); hand-offs of later launches may be delivered now.
    void startupFinished();
    // Terminate has done its work and closed the window; the program may end.
    void terminationFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Layout and commands (StudentMainFormLayout.cpp, StudentMainFormActions.cpp).
    void buildLayout();
    QAction* makeAction(const char* name, const char* category, const QString& caption,
                        const QKeySequence& shortcut = {});
    void createActions();
    void createMenus();
    void createRunController(const Options& options);
    // The answer controls and the keyboard of a run (StudentMainFormRun.cpp).
    void connectRunControls();
    void connectActions();
    void rebuildPreviousFilesMenu();
    void loadMenuIcons();

    // Start-up and shutdown steps.
    void createSteps();
    void onFirstShown();
    void closeSteps();

    // Commands.
    void AOpenTestExecute();
    void AGetTestExecute();
    void ACloseTestExecute();
    void AShowTestInfoExecute();
    void AShowQuestionImageExecute();
    void aZoomExecute(int step);
    void AFontSizeExecute(int step);
    void aShowREtoViewerExecute();
    void AShowHelpExecute();
    void ASaveConfigNowExecute();
    void ALoadConfigNowExecute();
    void AAdditionConfigExecute();

    void showStartText();
    void loadQuiz(const QString& fileName);
    // What converting a quiz into a test reports beside the loader's outcome.
    struct ImportNotes
    {
        // Why nothing was made; empty when the loader's outcome says it.
        QString error;
        QStringList warnings;
    };
    // Loading through one of the loader's front doors; fromDisk puts the file on the
    // recent-files list. notes, filled by load, are shown after its outcome; keep is what to
    // do with a loaded test before it is handed over (the copy of a test made in memory).
    void loadWith(const QString& fileName, bool fromDisk,
                  const std::function<TLoadResult(const TPasswordPrompt&)>& load,
                  const ImportNotes* notes = nullptr, const std::function<void(TTest&)>& keep = {});
    void openHandedOff(const QString& message);
    // Offers the interrupted runs of the journal folder; true when what was asked goes on now.
    // When closing a run waits for the server, then runs once it has ended.
    bool offerInterruptedRuns(std::function<void()> then);
    void startUp();
    void continueTermination();
    void closeModalWindows();
    // A closing that waits for the exchange under way; closes once it has ended.
    void waitToClose();
    void afterExchange();
    void showLoadError(const QString& text);
    // What converting a quiz left behind, once, in a text window.
    void showImportWarnings(const QString& fileName, const QStringList& warnings);
    void scheduleClockUpdate();
    void setUpWindowSettings();
    void loadWindowSettings();
    void saveWindowSettings();
    bool acceptsDroppedFile(const QMimeData* mime, QString* path) const;

    Prompts* m_prompts = nullptr;
    std::unique_ptr<WidgetPrompts> m_ownPrompts;
    std::unique_ptr<SilenceablePrompts> m_silenceablePrompts;
    QString m_programFolder;
    bool m_programFolderGiven = false;
    // Set while LoadTest runs: its password prompt must not let another load start.
    bool m_loading = false;
    QStringList m_arguments;
    std::unique_ptr<TMainResultHost> m_resultHost;
    // The end-of-run outputs and the one writer of the result log's event lines.
    std::unique_ptr<TResultOutputs> m_resultOutputs;
    // The test-server client shared by the fetch and the run reports.
    ServerClient* m_client = nullptr;
    std::unique_ptr<NetTestFetcher> m_fetcher;
    std::unique_ptr<TMainWindowView> m_runView;
    std::unique_ptr<IRunNetwork> m_network;
    // The journal outlives the controller, which tells it about the run until the end.
    std::unique_ptr<JournalStore> m_journalStore;
    std::unique_ptr<FileRunJournal> m_journal;
    std::unique_ptr<TRunController> m_run;
    std::unique_ptr<TRunRecovery> m_recovery;
    TRunKeyboard* m_runKeyboard = nullptr;
    TRecentFiles m_previousFiles;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_closePending = false;
    QTimer* m_closeWaitTimer = nullptr;
    // The last hand-off that arrived during an exchange, handled when it has ended.
    std::optional<QString> m_pendingHandOff;
    // What waits for an exchange to end before it goes on (start-up or an opening that an
    // interrupted run's RESULT held up).
    std::function<void()> m_afterExchange;
    bool m_terminating = false;
    std::chrono::milliseconds m_terminateWait{3000};
    QElapsedTimer m_terminateClock;
    QTimer* m_terminateTimer = nullptr;
    QString m_journalFolder;
    bool m_menuIconsLoaded = false;
    int m_updateChanges = 0;
    QTimer* m_clockTimer = nullptr;

public:
    // Regions of the window, named as their objects.
    QWidget* Panel2 = nullptr;
    QLabel* QuestionLabel = nullptr;
    QSplitter* Splitter2 = nullptr;
    QWidget* PanelQuestion = nullptr;
    QWidget* QuestionText = nullptr;
    QLabel* QuestionImage = nullptr;
    QWidget* PanelPromptTask = nullptr;
    QPushButton* ButtonShowPromptTask = nullptr;
    QWidget* PanelVariantInfo = nullptr;
    QLabel* VariantLabel = nullptr;
    QWidget* PanelInputNum = nullptr;
    QLineEdit* EditInputNum = nullptr;
    QWidget* PanelInputText = nullptr;
    QLineEdit* EditInputText = nullptr;
    QWidget* PanelImgRect = nullptr;
    QWidget* PanelVariant = nullptr;
    QWidget* GridPanel = nullptr;
    QWidget* Panel3 = nullptr;
    QPushButton* ButtonSkippingTask = nullptr;
    QPushButton* ButtonCheckAskTask = nullptr;
    QPushButton* ButtonIDoNotKnow = nullptr;
    QProgressBar* ProgressBarCountAskTask = nullptr;
    QWidget* PanelGoToTask = nullptr;
    QComboBox* ComboBoxEx1 = nullptr;
    TStatusPanels* m_statusPanels = nullptr;
    TShowQuestionImageForm* m_questionImageForm = nullptr;

    // Commands, named as their objects.
    QAction* AOpenTest = nullptr;
    QAction* ACloseTest = nullptr;
    QAction* AExit = nullptr;
    QAction* AShowQuestionImage = nullptr;
    QAction* ABeginTest = nullptr;
    QAction* AAskTask = nullptr;
    QAction* AEndTest = nullptr;
    QAction* ACheckAskTask = nullptr;
    QAction* AShowHelp = nullptr;
    QAction* AIsSaveResult = nullptr;
    QAction* AIsSaveProtectionResult = nullptr;
    QAction* AIsSaveConfig = nullptr;
    QAction* AIsUseWindowSettings = nullptr;
    QAction* ASaveConfigNow = nullptr;
    QAction* ALoadConfigNow = nullptr;
    QAction* AFontSizeUp = nullptr;
    QAction* AFontSizeDown = nullptr;
    QAction* AFontSizeNormal = nullptr;
    QAction* AAdditionConfig = nullptr;
    QAction* AShowAbout = nullptr;
    QAction* AShowLicense = nullptr;
    QAction* AShowDonate = nullptr;
    QAction* AShowTestInfo = nullptr;
    QAction* AGetTest = nullptr;
    QAction* aShowTestInstruction = nullptr;
    QAction* aShowREtoViewer = nullptr;
    QAction* aZoomUp = nullptr;
    QAction* aZoomNormal = nullptr;
    QAction* aZoomDown = nullptr;
    QAction* aShowPromptTask = nullptr;
    QAction* aIDoNotKnow = nullptr;
    QAction* aSkippingTask = nullptr;

    QMenu* miFile = nullptr;
    QMenu* miListPreviousFiles = nullptr;
    QMenu* miTest = nullptr;
    QMenu* miConfig = nullptr;
    QMenu* miFontSize = nullptr;
    QMenu* miZoom = nullptr;
    QMenu* miHelp = nullptr;
};

} // namespace kvizor
