// Importing a Moodle XML quiz of 5,000 questions with 200 pictures (about 20 MB). Each import
// runs in a child process of its own, so the peak memory printed is that of the import.
// Goal: under 2 s, peak memory under 3x the source size.
//
//   bench_import               all measurements
//   bench_import --source S    writes the generated quiz to S, for a closer look
//   bench_import --file S O    (internal) kvf import: S into the test file O
//   bench_import --window S    (internal) the window's road: S converted in memory and loaded
//   bench_import --load T      (internal) the test file T loaded, for comparison with the window
#include "BenchCpu.h"
#include "BenchMemory.h"
#include "import/QuizImporter.h"
#include "model/TestLoader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace kvizor;

namespace {

constexpr int kQuestions = 5000;
constexpr int kPictures = 200;

// A photo-like picture: smooth colours with noise, as JPEG (most) or PNG (every fifth).
QByteArray picture(int i, std::mt19937& random)
{
    QImage image(240, 180, QImage::Format_RGB32);
    std::uniform_int_distribution<int> noise(-40, 40);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int base = (x * 255 / image.width() + i * 37) % 256;
            line[x] = qRgb(std::clamp(base + noise(random), 0, 255), std::clamp(y + noise(random), 0, 255),
                           std::clamp(255 - base + noise(random), 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, i % 5 == 0 ? "PNG" : "JPEG", 95);
    return bytes;
}

QString choiceAnswers(int i)
{
    QString out;
    for (int k = 0; k < 4; ++k)
        out += QStringLiteral("<answer fraction=\"%1\" format=\"html\"><text><![CDATA[<p>Вариант <b>%2</b> "
                              "ответа на вопрос %3</p>]]></text><feedback format=\"html\"><text></text>"
                              "</feedback></answer>\n")
                   .arg(k == 0 ? 100 : 0)
                   .arg(k + 1)
                   .arg(i);
    return out;
}

QString body(int i)
{
    switch (i % 7) {
    case 0:
        return QStringLiteral("<single>true</single>") + choiceAnswers(i);
    case 1:
        return QStringLiteral("<single>false</single>") + choiceAnswers(i);
    case 2:
        return QStringLiteral("<answer fraction=\"100\"><text>true</text></answer>"
                              "<answer fraction=\"0\"><text>false</text></answer>");
    case 3:
        return QStringLiteral("<usecase>0</usecase><answer fraction=\"100\"><text>Москва</text></answer>"
                              "<answer fraction=\"100\"><text>Moscow</text></answer>");
    case 4:
        return QStringLiteral("<answer fraction=\"100\"><text>%1.8</text><tolerance>0.2</tolerance></answer>")
            .arg(i);
    case 5:
        return QStringLiteral(
            "<subquestion format=\"html\"><text>Кошка</text><answer><text>мяу</text></answer>"
            "</subquestion><subquestion format=\"html\"><text>Собака</text><answer><text>гав"
            "</text></answer></subquestion><subquestion format=\"html\"><text>Корова</text>"
            "<answer><text>му</text></answer></subquestion>");
    default:
        return QStringLiteral(
            "<answer fraction=\"1\"><text>первый</text></answer><answer fraction=\"2\"><text>"
            "второй</text></answer><answer fraction=\"3\"><text>третий</text></answer>");
    }
}

const char* const kTypes[] = {"multichoice", "multichoice", "truefalse", "shortanswer",
                              "numerical",   "matching",    "ordering"};

void writeSource(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n");
    std::mt19937 random(42);
    const int every = kQuestions / kPictures;
    for (int i = 0; i < kQuestions; ++i) {
        if (i % 500 == 0)
            file.write(QStringLiteral("<question type=\"category\"><category><text>$course$/top/Раздел %1"
                                      "</text></category></question>\n")
                           .arg(i / 500 + 1)
                           .toUtf8());
        const bool withPicture = i % every == 0;
        QString text =
            QStringLiteral("<p>Вопрос <b>%1</b>: прочитайте <i>условие</i> внимательно и выберите "
                           "ответ. Условие задачи занимает несколько строк, как в настоящем тесте по "
                           "физике или математике.</p><ul><li>первое</li><li>второе</li></ul>")
                .arg(i);
        QString files;
        if (withPicture) {
            text +=
                QStringLiteral("<p><img src=\"@@PLUGINFILE@@/pic%1.jpg\" width=\"240\" height=\"180\"></p>")
                    .arg(i);
            files = QStringLiteral("<file name=\"pic%1.jpg\" path=\"/\" encoding=\"base64\">%2</file>")
                        .arg(i)
                        .arg(QString::fromLatin1(picture(i / every, random).toBase64()));
        }
        file.write(
            QStringLiteral("<question type=\"%1\"><name><text>Вопрос %2</text></name>\n"
                           "<questiontext format=\"html\"><text><![CDATA[%3]]></text>%4</questiontext>\n"
                           "<generalfeedback format=\"html\"><text><![CDATA[<p>Пояснение к вопросу %2"
                           "</p>]]></text></generalfeedback><defaultgrade>1.0000000</defaultgrade>\n"
                           "%5\n<hint format=\"html\"><text>Подсказка</text></hint></question>\n")
                .arg(QLatin1String(kTypes[i % 7]))
                .arg(i)
                .arg(text, files, body(i))
                .toUtf8());
    }
    file.write("</quiz>\n");
}

// What a child prints: "ms cpu-ms rss-before-KiB peak-KiB tasks".
void report(const QElapsedTimer& timer, double cpu, qint64 before, int tasks)
{
    std::printf("%lld %.0f %lld %lld %d\n", static_cast<long long>(timer.elapsed()), benchProcessCpu() - cpu,
                static_cast<long long>(before), static_cast<long long>(benchStatusKiB("VmHWM:")), tasks);
}

// One import in this process.
int importOnce(const QString& mode, const QString& source, const QString& out)
{
    const qint64 before = benchStatusKiB("VmRSS:");
    const double cpu = benchProcessCpu();
    QElapsedTimer timer;
    timer.start();
    if (mode == QLatin1String("--load")) {
        const TLoadResult loaded = LoadTestFile(source, {});
        report(timer, cpu, before, int(loaded.Tasks.size()));
        return loaded.loaded() ? 0 : 1;
    }
    const std::unique_ptr<TQuizImport> import = TQuizImport::FromFile(source);
    if (!import->imported())
        return 1;
    int tasks = 0;
    if (mode == QLatin1String("--file")) {
        import->writeToPath(out);
        tasks = import->taskCount();
    } else {
        TWriterOptions options;
        options.Level = 1;
        const TLoadResult loaded = LoadTestData(source, import->toTestData(options), {});
        if (!loaded.loaded())
            return 1;
        tasks = int(loaded.Tasks.size());
    }
    report(timer, cpu, before, tasks);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--source")) {
        writeSource(args.at(2));
        return 0;
    }
    if (args.size() >= 3 && args.at(1).startsWith(QLatin1String("--")))
        return importOnce(args.at(1), args.at(2), args.value(3));

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("bank.xml"));
    writeSource(source);
    const double sourceMiB = double(QFileInfo(source).size()) / (1024.0 * 1024.0);
    std::printf("source: %d questions, %d pictures, %.1f MiB\n", kQuestions, kPictures, sourceMiB);
    const QString test = dir.filePath(QStringLiteral("bank.kvf"));
    for (const char* mode : {"--file", "--window", "--load"}) {
        for (int round = 0; round < 3; ++round) {
            QProcess child;
            if (QLatin1String(mode) == QLatin1String("--load"))
                child.start(app.applicationFilePath(), {QLatin1String(mode), test});
            else
                child.start(app.applicationFilePath(), {QLatin1String(mode), source, test});
            child.waitForFinished(-1);
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
            if (child.exitCode() != 0 || f.size() != 5) {
                std::fprintf(stderr, "import failed\n");
                return 1;
            }
            const double peakMiB = f.at(3).toDouble() / 1024.0;
            const double rise = (f.at(3).toDouble() - f.at(2).toDouble()) / 1024.0;
            std::printf("%-8s %s tasks: %5s ms (CPU %5s ms), peak memory %5.1f MiB (%.2fx the source), "
                        "%5.1f MiB above the process before the import (%.2fx)",
                        mode + 2, f.at(4).constData(), f.at(0).constData(), f.at(1).constData(), peakMiB,
                        peakMiB / sourceMiB, rise, rise / sourceMiB);
            if (QLatin1String(mode) == QLatin1String("--file"))
                std::printf(", test file %.1f MiB", double(QFileInfo(test).size()) / (1024.0 * 1024.0));
            std::printf("\n");
        }
    }
    return 0;
}
