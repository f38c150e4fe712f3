// Writes the program's built-in end-of-test sound: a short three-note chime as an
// uncompressed PCM wave file (mono, 22 050 Hz, 16-bit, 23 858 samples, about 1.08 s).
// Run by the build; the output is embedded into the program as a Qt resource.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr int SampleCount = 23858; // 47 716 bytes of sample data
constexpr int BitsPerSample = 16;
constexpr int Channels = 1;

struct Note
{
    double start;     // seconds
    double frequency; // Hz
    double level;
};

// An ascending major arpeggio (G5, B5, D6) ending on a longer G6.
constexpr std::array<Note, 4> Chime{
    {{0.00, 783.99, 0.55}, {0.12, 987.77, 0.50}, {0.24, 1174.66, 0.45}, {0.36, 1567.98, 0.60}}};

double noteSample(const Note& note, double t)
{
    const double local = t - note.start;
    if (local < 0.0)
        return 0.0;
    constexpr double attack = 0.004;
    const double envelope = (local < attack ? local / attack : 1.0) * std::exp(-local / 0.22);
    const double phase = 2.0 * std::numbers::pi * note.frequency * local;
    // A little second and third harmonic gives a bell-like colour.
    const double tone = std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.08 * std::sin(3.0 * phase);
    return note.level * envelope * tone;
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

void putTag(std::vector<std::uint8_t>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }

    std::vector<double> samples(SampleCount);
    double peak = 0.0;
    for (int i = 0; i < SampleCount; ++i) {
        const double t = static_cast<double>(i) / SampleRate;
        double value = 0.0;
        for (const Note& note : Chime)
            value += noteSample(note, t);
        samples[static_cast<std::size_t>(i)] = value;
        peak = std::max(peak, std::abs(value));
    }

    // Normalised to a comfortable level, with a short fade so the end does not click.
    const double gain = peak > 0.0 ? 0.7 / peak : 0.0;
    const int fade = SampleRate * 30 / 1000;
    const std::uint32_t dataBytes = SampleCount * Channels * BitsPerSample / 8;

    std::vector<std::uint8_t> wav;
    wav.reserve(44 + dataBytes);
    putTag(wav, "RIFF");
    put32(wav, 36 + dataBytes);
    putTag(wav, "WAVE");
    putTag(wav, "fmt ");
    put32(wav, 16);
    put16(wav, 1); // PCM
    put16(wav, Channels);
    put32(wav, SampleRate);
    put32(wav, SampleRate * Channels * BitsPerSample / 8);
    put16(wav, Channels * BitsPerSample / 8);
    put16(wav, BitsPerSample);
    putTag(wav, "data");
    put32(wav, dataBytes);
    for (int i = 0; i < SampleCount; ++i) {
        double value = samples[static_cast<std::size_t>(i)] * gain;
        const int left = SampleCount - 1 - i;
        if (left < fade)
            value *= static_cast<double>(left) / fade;
        const long pcm = std::lround(std::clamp(value, -1.0, 1.0) * 32767.0);
        put16(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(pcm)));
    }

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
