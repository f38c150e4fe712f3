// Writes the seed corpus of fuzz_journal into the folder given as the argument: journals of a
// short run (whole, cut inside an event, from the server) and the same events in the 'E' form.
#include "journal/JournalFormat.h"
#include "journal/RunJournal.h"

#include "results/ResultTest.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>

using namespace kvizor;

namespace {

QByteArray shortRun(bool fromServer, bool ended)
{
    MemoryRunJournal journal([] { return QDateTime(QDate(2024, 3, 5), QTime(11, 30), Qt::UTC); });
    TResultTest r(3);
    r.UserName = QStringLiteral("Иванов");
    r.TestFileName = QStringLiteral("/tests/Алгебра.kvf");
    r.TestFileCRC = 0xCAFEF00D;
    r.TaskOrder = {1, 0};
    r.TaskCount = 2;
    r.MaxPoints = 2;
    r.TaskStates = {-1, -1};
    r.StartTime = 45356.5;
    bool ok = journal.Begin(r, QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), true,
                            fromServer ? QByteArrayView("Kvizor test bytes") : QByteArrayView());
    r.AskedCount = 1;
    r.TaskStates[0] = 0;
    r.VariantOrder = {2, 0, 1};
    r.TaskSeconds[1] = 0;
    ok = ok && journal.TaskShown(r);
    r.ElapsedSeconds = 1;
    r.TaskSeconds[1] = 1;
    ok = ok && journal.Clocks(r);
    r.TaskPenalties[1] = 1;
    ok = ok && journal.HintUsed(r);
    r.TaskStates[0] = 1;
    r.TaskResults[1] = 1;
    r.TaskAnswers[1] = QStringLiteral("1-Да;2-Нет;");
    r.Points = 0;
    r.RightCount = 1;
    r.PromptCount = 1;
    r.AskedMaxPoints = 1;
    ok = ok && journal.TaskEvaluated(r) && journal.NetworkChanged(false);
    if (ended) {
        r.EndReason = erStopped;
        r.EndTime = r.TestDate = 45356.51;
        ok = ok && journal.End(r) && journal.OutputDone(JournalOutput::ResultLog);
    }
    return ok ? journal.Bytes() : QByteArray();
}

// The frames of a journal as 'E' input: type, uint16 length, payload.
QByteArray eventsOf(const QByteArray& journalBytes)
{
    QByteArray events("E");
    for (qsizetype at = journal::kHeaderSize; at + journal::kFrameOverhead <= journalBytes.size();) {
        const auto length = static_cast<qsizetype>(qFromLittleEndian<quint32>(journalBytes.constData() + at));
        char head[3];
        head[0] = journalBytes.at(at + 4);
        qToLittleEndian<quint16>(static_cast<quint16>(length), head + 1);
        events.append(head, 3);
        events.append(journalBytes.mid(at + journal::kFrameHeaderSize, length));
        at += journal::kFrameOverhead + length;
    }
    return events;
}

bool save(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: make_journal_seeds FOLDER\n", stderr);
        return 1;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QByteArray ended = shortRun(false, true);
    const QByteArray server = shortRun(true, false);
    bool ok = save(dir, QStringLiteral("ended.kvj"), ended);
    ok = save(dir, QStringLiteral("server.kvj"), server) && ok;
    ok = save(dir, QStringLiteral("cut.kvj"), ended.left(ended.size() - 7)) && ok;
    ok = save(dir, QStringLiteral("events-ended"), eventsOf(ended)) && ok;
    ok = save(dir, QStringLiteral("events-server"), eventsOf(server)) && ok;
    return ok ? 0 : 2;
}
