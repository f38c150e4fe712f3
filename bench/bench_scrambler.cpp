// Unscrambling throughput of the descrambler, beside the byte rule written
// out with the full 16-bit state for comparison.
#include "model/Scrambler.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

using namespace kvizor;

namespace {

void plainLoop(const char* source, char* destination, std::int64_t count, const TScrambleKey& key)
{
    std::uint16_t s = key.InitialState;
    for (std::int64_t i = 0; i < count; ++i) {
        const auto p = static_cast<std::uint8_t>(static_cast<std::uint8_t>(source[i]) ^ (s & 0xFF));
        destination[i] = static_cast<char>(p);
        s = static_cast<std::uint16_t>(((p + (s & 0xFF)) & 0xFF) * key.Multiplier + key.Addend);
    }
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Speed
{
    double wall = 0; // MB per second of wall-clock time
    double cpu = 0;  // MB per second of the process's CPU time (robust on a busy machine)
};

// Best of several runs.
template <typename F>
Speed bestMBps(F run, std::int64_t bytes, int repeats)
{
    Speed best;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        run();
        const double cpu = cpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best.wall = std::max(best.wall, bytes / wall / 1e6);
        best.cpu = std::max(best.cpu, bytes / cpu / 1e6);
    }
    return best;
}

} // namespace

int main()
{
    constexpr std::int64_t kSize = 256 * 1024 * 1024;
    QByteArray source(kSize, Qt::Uninitialized);
    QRandomGenerator(1).fillRange(reinterpret_cast<quint32*>(source.data()), kSize / 4);
    QByteArray destination(kSize, Qt::Uninitialized);

    const Speed fast = bestMBps(
        [&] {
            DescrambleBuffer(source.constData(), static_cast<std::int32_t>(kSize), destination.data(),
                             TestFileKey, static_cast<std::int32_t>(kSize));
        },
        kSize, 7);
    const QByteArray viaDescrambler = destination;
    const Speed plain =
        bestMBps([&] { plainLoop(source.constData(), destination.data(), kSize, TestFileKey); }, kSize, 3);
    if (destination != viaDescrambler) {
        std::puts("MISMATCH between the descrambler and the byte rule");
        return 2;
    }
    std::printf(
        "unscramble (DescrambleBuffer):        %.0f MB/s wall, %.0f MB/s per CPU second (goal >= 400)\n",
        fast.wall, fast.cpu);
    std::printf("unscramble (byte rule, 16-bit state): %.0f MB/s wall, %.0f MB/s per CPU second\n",
                plain.wall, plain.cpu);
    return 0;
}
