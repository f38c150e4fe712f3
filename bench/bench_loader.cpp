// Loading a large test against the floor of the same work done without parsing, and the
// peak memory of loading a 50 MB and a 200 MB test; loading tests of 15,000 to 60,000 topics
// and tasks, and the peak memory of a small hostile file declaring 3,000,000 tiny tasks.
//
//   bench_loader            all measurements
//   bench_loader topics     only the topic and hostile-file measurements
//   bench_loader --peak F   (internal) loads F and prints the growth of the peak RSS
#include "BenchMemory.h"

#include "common/BinaryWriter.h"
#include "common/FileSystem.h"
#include "model/Crc32.h"
#include "model/Scrambler.h"
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

using namespace kvizor;

namespace {

constexpr qint64 kPicture = 256 * 1024;
constexpr qint64 kChunk = 64 * 1024;

// A test of 2,000 tasks and pictureCount incompressible pictures of 256 KiB.
void writeLargeTest(const QString& path, int pictureCount, int level)
{
    TTest test;
    test.Title = QStringLiteral("Большой тест");
    TTaskList tasks;
    for (int i = 0; i < 2000; ++i) {
        auto task = std::make_unique<TTask>(i % 8 + 1);
        task->Question = QStringLiteral("Вопрос номер %1: что изображено на рисунке?").arg(i);
        for (int v = 0; v < 4; ++v)
            task->Variants[std::size_t(v)] = QStringLiteral("Вариант %1 задания %2").arg(v).arg(i);
        task->VariantValues[0] = 1;
        if (i < pictureCount)
            task->ImageFile = QStringLiteral("p%1.png").arg(i);
        tasks.push_back(std::move(task));
    }
    std::vector<TWriterFile> files;
    QRandomGenerator random(42);
    for (int i = 0; i < pictureCount; ++i) {
        QByteArray bytes(kPicture, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), kPicture / 4);
        files.push_back({QStringLiteral("p%1.png").arg(i), bytes, {}});
    }
    TWriterOptions options;
    options.Level = level;
    WriteTestFileToPath(path, test, tasks, files, options);
}

// The unavoidable work with the loader's primitives and no parsing: read, CRC, unscramble,
// inflate, and write the inflated bytes to disk in picture-sized files.
std::uint32_t floorLoad(const QString& path, const QString& outFolder)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    std::vector<char> in(kChunk), out(kChunk);
    std::uint32_t crc = 0;
    TDescrambler descrambler(TestFileKey);
    z_stream z{};
    inflateInit(&z);
    qint64 skip = -1;
    QByteArray head;
    QFile picture;
    qint64 pictureLeft = 0;
    int pictureNumber = 0;
    bool ended = false;
    for (;;) {
        const qint64 got = file.read(in.data(), kChunk);
        if (got <= 0)
            break;
        crc = UpdateCRC32(crc, in.data(), got);
        descrambler.process(in.data(), in.data(), got);
        qint64 at = 0;
        if (skip < 0) {
            head.append(in.data(), std::min<qint64>(got, 10));
            skip = 10 + qFromLittleEndian<qint32>(head.constData() + 6);
        }
        at = std::min(skip, got);
        skip -= at;
        if (ended)
            continue;
        z.next_in = reinterpret_cast<Bytef*>(in.data() + at);
        z.avail_in = static_cast<uInt>(got - at);
        while (z.avail_in > 0 && !ended) {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = kChunk;
            ended = inflate(&z, Z_NO_FLUSH) == Z_STREAM_END;
            qint64 produced = kChunk - z.avail_out;
            const char* data = out.data();
            while (produced > 0) {
                if (pictureLeft == 0) {
                    picture.close();
                    picture.setFileName(outFolder + QStringLiteral("/p%1").arg(pictureNumber++));
                    picture.open(QIODevice::WriteOnly);
                    pictureLeft = kPicture;
                }
                const qint64 step = std::min(produced, pictureLeft);
                picture.write(data, step);
                data += step;
                produced -= step;
                pictureLeft -= step;
            }
        }
    }
    picture.close();
    inflateEnd(&z);
    return crc;
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Wall-clock and CPU seconds of one call; CPU time stays meaningful on a busy machine.
template <typename F>
std::pair<double, double> timed(F run)
{
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    run();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            cpuSeconds() - cpuStart};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int measurePeak(const QString& path)
{
    benchResetPeak();
    const qint64 baseline = benchStatusKiB("VmRSS:");
    TLoadResult result = LoadTestFile(path, {});
    const qint64 peak = benchStatusKiB("VmHWM:");
    std::printf("%lld %lld %d\n", baseline, peak, result.loaded() ? 1 : 0);
    return 0;
}

struct PeakFigures
{
    bool ok = false;
    bool loaded = false;
    double growthMiB = 0;
};

// The load of path in a child process of its own, so its high-water mark is the load's.
PeakFigures peakOfLoad(const QString& path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), path});
    child.waitForFinished(-1);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    PeakFigures result;
    if (child.exitCode() != 0 || figures.size() != 3)
        return result;
    result.ok = true;
    result.growthMiB = (figures[1].toLongLong() - figures[0].toLongLong()) / 1024.0;
    result.loaded = figures[2] == "1";
    return result;
}

// n topics with a quota and n text tasks, each task in its own topic, listed in the opposite
// order so no topic finds its task early.
void writeTopicTest(const QString& path, int n)
{
    TTest test;
    test.UseThemes = true;
    // Appended directly, so building the fixture costs no lookups.
    for (int i = 1; i <= n; ++i)
        test.Themes.append(TTheme{i, QStringLiteral("Тема %1").arg(i), QString(), 1, true, 0});
    TTaskList tasks;
    for (int i = 0; i < n; ++i) {
        auto task = std::make_unique<TTask>(ttText);
        task->Question = QStringLiteral("Вопрос %1").arg(i);
        task->TextAnswers = QStringLiteral("ответ");
        task->ThemeId = n - i;
        tasks.push_back(std::move(task));
    }
    WriteTestFileToPath(path, test, tasks);
}

// A hostile file: a default header, then count records of the smallest task (type 0, every
// text empty) and no embedded files. It compresses about a thousandfold.
void writeTinyTaskTest(const QString& path, int count)
{
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    BinaryWriter writer(body);
    const TTest header;
    header.SaveToStream(writer);
    writer.writeInt32(count);
    const TTask tiny(0);
    for (int i = 0; i < count; ++i)
        tiny.SaveToStream(writer);
    writer.writeInt32(0);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(PackTestBody(body.data()));
}

// Load time of tests with many topics (goal: 60,000 under 1 s and growing linearly), then the
// peak memory of the tiny-task file.
int benchTopics(const QString& folder)
{
    for (int n : {15000, 30000, 60000}) {
        const QString path = folder + QStringLiteral("/topics%1.kvf").arg(n);
        writeTopicTest(path, n);
        std::vector<double> walls, cpus;
        for (int round = 0; round < 5; ++round) {
            TLoadResult result;
            const auto [wall, cpu] = timed([&] { result = LoadTestFile(path, {}); });
            if (!result.loaded() || result.Test->TasksToAsk != n) {
                std::puts("topic test failed to load");
                return 2;
            }
            walls.push_back(wall);
            cpus.push_back(cpu);
        }
        std::printf("%d topics and %d tasks (%.1f MB): load %.0f ms wall, %.0f ms CPU, "
                    "%.2f us CPU per topic, medians of 5\n",
                    n, n, QFile(path).size() / 1e6, median(walls) * 1000, median(cpus) * 1000,
                    median(cpus) * 1e6 / n);
        QFile::remove(path);
    }

    const QString tiny = folder + QStringLiteral("/tiny.kvf");
    writeTinyTaskTest(tiny, 3000000);
    const PeakFigures peak = peakOfLoad(tiny);
    if (!peak.ok) {
        std::puts("peak measurement failed");
        return 2;
    }
    std::printf("3,000,000 tiny tasks in %.0f KB: %s, peak +%.1f MiB above the baseline\n",
                QFile(tiny).size() / 1e3, peak.loaded ? "loaded" : "refused", peak.growthMiB);
    QFile::remove(tiny);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--peak"))
        return measurePeak(args.at(2));

    QTemporaryDir dir;
    if (args.size() == 2 && args.at(1) == QLatin1String("topics"))
        return benchTopics(dir.path());
    const QString path = dir.filePath(QStringLiteral("large.kvf"));
    writeLargeTest(path, 200, 9);
    std::printf("large test: 2000 tasks, 200 pictures of 256 KiB, %.1f MB\n", QFile(path).size() / 1e6);

    std::vector<double> loads, floors, loadsCpu, floorsCpu;
    bool ok = true;
    for (int round = 0; round < 7; ++round) {
        {
            QTemporaryDir out;
            const auto [wall, cpu] = timed([&] { floorLoad(path, out.path()); });
            floors.push_back(wall);
            floorsCpu.push_back(cpu);
        }
        TLoadResult result;
        const auto [wall, cpu] = timed([&] { result = LoadTestFile(path, {}); });
        loads.push_back(wall);
        loadsCpu.push_back(cpu);
        ok = ok && result.loaded() && result.Test->FileCRC == FileCRC32(path);
    }
    if (!ok) {
        std::puts("load failed");
        return 2;
    }
    std::printf("wall: load %.0f ms, floor %.0f ms, ratio %.2f (goal <= 1.3), medians of 7\n",
                median(loads) * 1000, median(floors) * 1000, median(loads) / median(floors));
    std::printf("cpu:  load %.0f ms, floor %.0f ms, ratio %.2f\n", median(loadsCpu) * 1000,
                median(floorsCpu) * 1000, median(loadsCpu) / median(floorsCpu));

    for (int megabytes : {50, 200}) {
        const QString big = dir.filePath(QStringLiteral("m%1.kvf").arg(megabytes));
        writeLargeTest(big, megabytes * 4, 1);
        const PeakFigures peak = peakOfLoad(big);
        if (!peak.ok || !peak.loaded) {
            std::puts("peak measurement failed");
            return 2;
        }
        std::printf("peak memory loading a %.0f MB test: +%.1f MiB above the baseline (goal <= 32)\n",
                    QFile(big).size() / 1e6, peak.growthMiB);
        QFile::remove(big);
    }
    return benchTopics(dir.path());
}
