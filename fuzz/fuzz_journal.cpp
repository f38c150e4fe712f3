// Reads arbitrary bytes as a run journal: the reader must give a status and never crash, a
// run it rebuilds must be consistent, and a journal resumed from it must take a new event and
// read back with it. The first byte picks the form of the rest: 'E', a list of events (type
// byte, uint16 payload length, payload) framed with valid checksums first, so mutations reach
// the event parsers behind the MACs; anything else, the file as is.
#include "journal/JournalFormat.h"
#include "journal/JournalFrame.h"
#include "journal/JournalReader.h"
#include "journal/RunJournal.h"

#include <QBuffer>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kvizor;

namespace {

QByteArray framed(const QByteArray& events)
{
    const QByteArray& key = journal::ProgramKey();
    QByteArray file = journal::FileHeader();
    QByteArray chain = journal::InitialChain(key);
    for (qsizetype at = 0; at + 3 <= events.size();) {
        const auto type = static_cast<std::uint8_t>(events.at(at));
        const qsizetype length = qFromLittleEndian<quint16>(events.constData() + at + 1);
        const QByteArray payload = events.mid(at + 3, length);
        at += 3 + payload.size();
        const QByteArray header = journal::FrameHeader(type, static_cast<std::uint32_t>(payload.size()));
        chain = journal::MacOf(key, chain, {header, payload});
        file += header + payload + chain;
    }
    return file;
}

JournalReadResult read(const QByteArray& bytes, bool withTestBytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JournalReadOptions options;
    options.WithTestBytes = withTestBytes;
    return ReadJournal(buffer, options);
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkConsistent(const JournalReadResult& result, qsizetype size)
{
    if (result.Status != JournalStatus::Ok) {
        check(result.Run.RunGUID.isEmpty());
        return;
    }
    const JournalRun& run = result.Run;
    const TResultTest& r = run.Record;
    const qsizetype n = r.TaskResults.size();
    check(!run.RunGUID.isEmpty() && run.Tail.ValidLength <= size);
    check(r.TaskSeconds.size() == n && r.TaskAnswers.size() == n && r.TaskPenalties.size() == n);
    check(r.TaskCount >= 1 && r.TaskOrder.size() == r.TaskCount);
    check(r.CurrentPos >= 0 && r.CurrentPos < r.TaskCount);
    check(r.TaskStates.isEmpty() || r.TaskStates.size() == r.TaskCount);
    check(r.VariantOrder.size() <= journal::kMaxVariantOrder);
    for (int i : r.TaskOrder)
        check(i >= 0 && i < n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!bytes.isEmpty() && bytes.at(0) == 'E')
        bytes = framed(bytes.mid(1));

    const JournalReadResult light = read(bytes, false);
    const JournalReadResult full = read(bytes, true);
    check(light.Status == full.Status && light.TailCut == full.TailCut);
    checkConsistent(light, bytes.size());
    checkConsistent(full, bytes.size());
    if (full.Status != JournalStatus::Ok)
        return 0;
    check(full.Run.TestBytes.size() == full.Run.TestBytesSize);

    MemoryRunJournal resumed;
    resumed.SetBytes(bytes);
    check(resumed.Resume(full.Run));
    check(full.Run.Ended ? resumed.OutputDone(JournalOutput::ServerResult) : resumed.Clocks(full.Run.Record));
    const JournalReadResult again = read(resumed.Bytes(), false);
    check(again.Status == JournalStatus::Ok && !again.TailCut &&
          again.Run.EventCount == full.Run.EventCount + 1);
    return 0;
}
