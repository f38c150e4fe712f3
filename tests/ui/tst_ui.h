#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class ScriptedPrompts;

namespace kvizor {
class TStudentMainForm;
}

// The main window driven by object names, with scripted prompts.
class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void creationDefaults();
    void creationReadsConfigFile();
    void closeOrder();
    void logWriteFailure();
    void logGoesToResultFolder();
    void windowSettings();

    void openByDialog();
    void openByCommandLine_data();
    void openByCommandLine();
    void droppedFiles_data();
    void droppedFiles();
    void handOff_data();
    void handOff();
    void handOffsInARowOpenOnlyTheFirst();
    void handOffDuringPasswordPromptIsDropped();

    void recentFilesOrder();
    void recentFilesMenu();

    void loadFailures_data();
    void loadFailures();
    void loadWithPassword();
    void missingFileKeepsTest();
    void loadFromMemory();

    void summaryAndInfoWithTopics();
    void summaryCounts_data();
    void summaryCounts();
    void infoTimeLimit_data();
    void infoTimeLimit();
    void instruction();
    void closeTestCommand();
    void statusFlags_data();
    void statusFlags();

    void zoomSteps();
    void zoomReachesNewText();
    void f10OnlyDuringRun();
    void closeDuringRun();
    void idleUpdateSettles();

    void commandTable_data();
    void commandTable();
    void menuTree();
    void menuMnemonics();
    void layout();
    void questionImageEnlarges();
    void infoWindows();
    void configCommands();

private:
    QString path(const QString& name) const;
    std::unique_ptr<kvizor::TStudentMainForm> makeWindow(ScriptedPrompts& prompts,
                                                         const QStringList& arguments = {});
    QString logText() const;
    void writeConfig(const QByteArray& text);

    std::unique_ptr<QTemporaryDir> m_dir;
};

// The small windows and helpers of the window library.
class TestUiParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordForm();
    void passwordFormEscCancels();
    void recentFilesRule();
    void recentFilesRestore();
    void resultLogPath_data();
    void resultLogPath();
    void resultLogAppend();
    void helpDocument();
    void openableLinks_data();
    void openableLinks();
    void markLines();
    void lazyIconStyle();
    void statusPanelWidths_data();
    void statusPanelWidths();
    void lastStatusPanelShortens();
};
