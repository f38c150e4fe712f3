// Start-up to the first shown window of the program, measured side by side with a minimal
// Qt Widgets program that shows one empty window, and the opening of the demo test.
//
//   bench_startup [rounds]
//
// Both programs are started as fresh processes, alternately, from copies in a temporary
// folder with their own per-user folders; each prints "shown" once its window is exposed
// and painted. The time is from QProcess::start to that line.
#include "BenchShown.h"

#include "app/StudentProgram.h"
#include "ui/Prompts.h"
#include "ui/StudentMainForm.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class QuietPrompts : public kvizor::Prompts
{
public:
    void showMessage(const QString& text, const QString&, kvizor::MessageIcon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
    std::optional<QString> askPassword() override { return std::nullopt; }
    QString chooseTestFile(const QString&) override { return {}; }
    bool showRichText(const QString&, const QString&) override { return true; }
    bool showRichEditViewer(QWidget&, const QString&) override { return true; }
    int execDialog(QDialog&) override { return QDialog::Accepted; }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Shown
{
    double wall = -1; // from start to the "shown" line
    double cpu = -1;  // CPU time of the child until then
};

double valueAfter(const QByteArray& out, const QByteArray& key)
{
    const QList<QByteArray> words = out.simplified().split(' ');
    const qsizetype at = words.indexOf(key);
    return at >= 0 && at + 1 < words.size() ? words.at(at + 1).toDouble() : -1;
}

Shown timeToShown(const QString& program, const QProcessEnvironment& env)
{
    QProcess child;
    child.setProgram(program);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    QProcessEnvironment childEnv = env;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    childEnv.insert(QStringLiteral("KVIZOR_BENCH_T0"),
                    QString::number(double(now.tv_sec) * 1e9 + double(now.tv_nsec), 'f', 0));
    child.setProcessEnvironment(childEnv);
    timer.start();
    child.start();
    if (!child.waitForStarted(10000))
        return {};
    QByteArray out;
    while (!out.contains("shown")) {
        if (!child.waitForReadyRead(20000))
            return {};
        out += child.readAllStandardOutput();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!child.waitForFinished(20000))
        child.kill();
    if (qEnvironmentVariableIsSet("KVIZOR_BENCH_VERBOSE"))
        std::printf("  %s: %s\n", qPrintable(QFileInfo(program).fileName()),
                    QByteArray(out).replace('\n', ' ').constData());
    return {ms, valueAfter(out, "cpu")};
}

int runStartup(const QString& self, int rounds)
{
    QTemporaryDir dir;
    const QString student = dir.filePath(QStringLiteral("KvizorStudent"));
    const QString minimal = dir.filePath(QStringLiteral("minimal"));
    if (!QFile::copy(self, student) || !QFile::copy(QStringLiteral(KVIZOR_BENCH_MINIMAL), minimal)) {
        std::fprintf(stderr, "cannot copy the programs to %s\n", qPrintable(dir.path()));
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = dir.filePath(QLatin1String(name));
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QLatin1String(name), folder);
    }
    if (!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("WAYLAND_DISPLAY")) &&
        !env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcessEnvironment studentEnv = env;
    studentEnv.insert(QStringLiteral("KVIZOR_BENCH_CHILD"), QStringLiteral("student"));

    std::vector<double> studentTimes;
    std::vector<double> minimalTimes;
    std::vector<double> ratios;
    std::vector<double> studentCpu;
    std::vector<double> minimalCpu;
    const int warmUp = 2;
    for (int i = 0; i < rounds + warmUp; ++i) {
        const Shown m = timeToShown(minimal, env);
        const Shown s = timeToShown(student, studentEnv);
        if (m.wall < 0 || s.wall < 0) {
            std::fprintf(stderr, "a child did not show its window\n");
            return 1;
        }
        if (i >= warmUp) {
            minimalTimes.push_back(m.wall);
            studentTimes.push_back(s.wall);
            ratios.push_back(s.wall / m.wall);
            minimalCpu.push_back(m.cpu);
            studentCpu.push_back(s.cpu);
        }
    }
    const double ms = median(studentTimes);
    const double mm = median(minimalTimes);
    std::printf("platform: %s, rounds: %d\n",
                qPrintable(env.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("(default)"))),
                rounds);
    std::printf("start-up to first shown window, minimal Qt program: median %.1f ms (min %.1f)\n", mm,
                *std::min_element(minimalTimes.begin(), minimalTimes.end()));
    std::printf("start-up to first shown window, KvizorStudent:      median %.1f ms (min %.1f)\n", ms,
                *std::min_element(studentTimes.begin(), studentTimes.end()));
    // Each round starts the two programs back to back, so a round's ratio is taken under the
    // same load; the median of those is steadier on a shared machine than the ratio of the
    // two medians.
    std::printf("ratio (median of the rounds' ratios): %.2f (goal <= 1.50); ratio of the medians: %.2f\n",
                median(ratios), ms / mm);
    std::printf("CPU time until shown: minimal %.1f ms, KvizorStudent %.1f ms, ratio %.2f\n",
                median(minimalCpu), median(studentCpu), median(studentCpu) / median(minimalCpu));
    return 0;
}

int runOpenDemo(int rounds)
{
    QTemporaryDir dir;
    QuietPrompts prompts;
    kvizor::TStudentMainForm::Options options;
    options.programFolder = dir.path();
    options.prompts = &prompts;
    kvizor::TStudentMainForm window(options);
    window.show();
    std::vector<double> times;
    for (int i = 0; i < rounds + 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.LoadTest(QStringLiteral(KVIZOR_DEMO_KVF));
        const double ms = timer.nsecsElapsed() / 1e6;
        if (window.RunState() != kvizor::rsTestLoaded) {
            std::fprintf(stderr, "the demo test did not open: %s\n", KVIZOR_DEMO_KVF);
            return 1;
        }
        QCoreApplication::processEvents();
        if (i >= 3)
            times.push_back(ms);
    }
    std::printf(
        "opening the demo test (load and summary): median %.2f ms, max %.2f ms over %d (goal < 50 ms)\n",
        median(times), *std::max_element(times.begin(), times.end()), rounds);
    window.close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("KVIZOR_BENCH_CHILD") == "student") {
        kvizor::StudentProgramOptions options;
        benchMark("main");
        options.onWindowCreated = [](kvizor::TStudentMainForm&) {
            benchMark("window");
            qApp->installEventFilter(new QuitWhenShown(qApp));
        };
        char* childArgs[] = {argv[0], nullptr};
        int childArgc = 1;
        return kvizor::RunStudentProgram(childArgc, childArgs, options);
    }
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("StudentBench"));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    const int status = runStartup(QCoreApplication::applicationFilePath(), rounds);
    if (status != 0)
        return status;
    return runOpenDemo(std::max(rounds, 20));
}
