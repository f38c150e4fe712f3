// A program process for the kill tests: the real run controller, file journal and result
// files, with the examinee scripted.
//
//   kill_driver FOLDER TEST.kvf EVENT COUNT   runs the test; right after the COUNT-th journal
//                                             event named EVENT ("none": never) the process
//                                             kills itself with SIGKILL
//   kill_driver FOLDER TEST.kvf resume        offers the interrupted run (answered Yes) and
//                                             takes it to its end
//
// The result log, the protected result file and the journal folder are in FOLDER; every
// server report is appended to FOLDER/network.txt ("RESULT {guid}"); progress reports fail.

#include "ExamineeScript.h"
#include "JournalSpy.h"

#include "journal/JournalStore.h"
#include "model/TestLoader.h"
#include "results/ResultLog.h"
#include "run/RunRecovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

class FileOutputs : public IRunOutputs
{
public:
    explicit FileOutputs(const TConfig& config) : m_config(config) {}
    void WriteLogLine(const QString& line) override { kvizor::WriteLogLine(m_config, line); }
    void SaveResultLog(const TResultTest& result, const WriteDone& done) override
    {
        kvizor::SaveResultLog(m_config, result);
        done(true);
    }

private:
    const TConfig& m_config;
};

class FileNetwork : public IRunNetwork
{
public:
    explicit FileNetwork(QString path) : m_path(std::move(path)) {}
    void SendInfoBegin(const QString& guid, const TResultTest&, const Done& done) override
    {
        done(note(QStringLiteral("INFOBEGIN"), guid, true));
    }
    void SendInfoProcess(const QString& guid, const TResultTest&, const Done& done) override
    {
        done(note(QStringLiteral("INFOPROCESS"), guid, false));
    }
    void SendResult(const QString& guid, const TResultTest&, const Done& done) override
    {
        done(note(QStringLiteral("RESULT"), guid, true));
    }

private:
    bool note(const QString& call, const QString& guid, bool ok) const
    {
        QFile file(m_path);
        if (file.open(QIODevice::Append))
            file.write((call + QLatin1Char(' ') + guid + QLatin1Char('\n')).toUtf8());
        return ok;
    }
    QString m_path;
};

int fail(const char* what)
{
    std::fprintf(stderr, "kill_driver: %s\n", what);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return fail("usage: FOLDER TEST.kvf EVENT COUNT | FOLDER TEST.kvf resume");
    const QDir folder(args.at(1));
    const QString testPath = args.at(2);
    const bool resume = args.at(3) == QLatin1String("resume");

    TConfig config;
    config.IsSendResult = true;
    config.IsShowUserResult = false;
    config.DirForResult = folder.path();
    config.IsSaveProtectionResult = true;
    ScriptedView view;
    ScriptedPrompts prompts;
    FileOutputs outputs(config);
    FileNetwork network(folder.filePath(QStringLiteral("network.txt")));
    RunEnvironment env = RunEnvironment::System();
    env.RealTimers = false;
    TRunController controller(config, view, prompts, outputs, network, env);

    JournalStore store(folder.filePath(QStringLiteral("journal")));
    const std::unique_ptr<FileRunJournal> journal = store.NewJournal();
    JournalSpy spy(*journal);
    controller.SetJournal(&spy);

    if (resume) {
        TRunRecovery recovery(store, controller, prompts, outputs);
        if (recovery.Offer() == TRunRecovery::Outcome::Waiting)
            return fail("a report waits");
    } else {
        const QString event = args.at(3);
        const int count = args.value(4).toInt();
        spy.after = [event, count](const QString& name, int n) {
            if (name == event && n == count)
                ::raise(SIGKILL);
        };
        TLoadResult loaded = LoadTestFile(testPath, {});
        if (!loaded.loaded())
            return fail("the test does not load");
        controller.BeginLoading();
        controller.TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks));
        controller.BeginTest();
    }
    while (examineeActs(controller, view)) {
    }
    return controller.RunState() == rsTesting ? fail("the run did not end") : 0;
}
