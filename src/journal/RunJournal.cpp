#include "RunJournal.h"

#include "JournalEvents.h"
#include "JournalFormat.h"
#include "JournalFrame.h"

#include "common/BinaryReader.h"
#include "common/FormatError.h"
#include "results/ResultTest.h"

#include <QBuffer>
#include <QtEndian>
#include <QUuid>

#include <limits>

namespace kvizor {

using namespace journal;

namespace {

// Applies an event's payload as the reader will; throws FormatError when it would refuse it.
void applyPayload(std::uint8_t type, const QByteArray& payload, JournalRun& run)
{
    QBuffer buffer;
    buffer.setData(payload);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    ApplyEvent(type, reader, run);
}

// A shown task and a clock tick can be worked out again on resuming; everything else records
// what cannot, and is worth a sync (a few milliseconds on a disk) before the window goes on.
bool durable(std::uint8_t type)
{
    return type != evTaskShown && type != evClocks;
}

QString refused(const FormatError& error)
{
    return QStringLiteral("событие не может быть записано в журнал: %1").arg(QString::fromUtf8(error.what()));
}

} // namespace

TRunJournal::TRunJournal(std::function<QDateTime()> now, QByteArray key)
    : m_now(now ? std::move(now) : [] { return QDateTime::currentDateTimeUtc(); }),
      m_key(key.isEmpty() ? ProgramKey() : std::move(key))
{
}

qint64 TRunJournal::now() const
{
    return m_now().toMSecsSinceEpoch();
}

bool TRunJournal::stop(const QString& text)
{
    m_failed = true;
    m_error = text;
    return false;
}

bool TRunJournal::Begin(const TResultTest& record, const QString& runGuid, bool networkOk,
                        QByteArrayView serverTestBytes)
{
    if (m_active) {
        m_error = QStringLiteral("журнал уже ведётся");
        return false;
    }
    m_failed = false;
    m_error.clear();
    const QUuid id(runGuid);
    if (id.isNull()) {
        m_error = QStringLiteral("неверный GUID теста");
        return false;
    }
    const bool fromServer = !serverTestBytes.isEmpty();
    if (serverTestBytes.size() > qint64(std::numeric_limits<std::uint32_t>::max()) - kTimeSize) {
        m_error = QStringLiteral("тест слишком велик для журнала");
        return false;
    }

    const qint64 at = now();
    JournalRun run;
    QList<QByteArrayView> pieces;
    const QByteArray fileHeader = FileHeader();
    pieces.append(fileHeader);
    QByteArray chain = InitialChain(m_key);

    char time[kTimeSize];
    qToLittleEndian<qint64>(at, time);
    QByteArray bytesHeader;
    QByteArray bytesMac;
    if (fromServer) {
        ApplyTestBytes(at, serverTestBytes.size(), QByteArray(), run);
        bytesHeader =
            FrameHeader(evTestBytes, static_cast<std::uint32_t>(kTimeSize + serverTestBytes.size()));
        bytesMac = MacOf(m_key, chain, {bytesHeader, QByteArrayView(time, kTimeSize), serverTestBytes});
        pieces << bytesHeader << QByteArrayView(time, kTimeSize) << serverTestBytes << bytesMac;
        chain = bytesMac;
    }

    const QByteArray payload = EncodeBegin(at, record, runGuid, networkOk, fromServer);
    try {
        applyPayload(evBegin, payload, run);
    } catch (const FormatError& error) {
        m_error = refused(error);
        return false;
    }
    const QByteArray beginHeader = FrameHeader(evBegin, static_cast<std::uint32_t>(payload.size()));
    const QByteArray beginMac = MacOf(m_key, chain, {beginHeader, payload});
    pieces << beginHeader << payload << beginMac;

    if (!CreateStorage(id.toString(QUuid::WithoutBraces)))
        return false;
    if (!AppendStorage(pieces, true)) {
        RemoveStorage();
        return false;
    }
    m_length = 0;
    for (const QByteArrayView piece : pieces)
        m_length += piece.size();
    m_chain = beginMac;
    m_run = std::move(run);
    m_run.Tail = JournalTail{StoragePath(), m_length, m_chain};
    m_active = true;
    return true;
}

bool TRunJournal::Resume(const JournalRun& run)
{
    if (m_active) {
        m_error = QStringLiteral("журнал уже ведётся");
        return false;
    }
    m_failed = false;
    m_error.clear();
    if (run.RunGUID.isEmpty() || run.Tail.LastMac.size() != kMacSize) {
        m_error = QStringLiteral("нет прерванного теста для продолжения");
        return false;
    }
    if (!ReopenStorage(run.Tail))
        return false;
    m_run = run;
    m_run.TestBytes = QByteArray();
    m_chain = run.Tail.LastMac;
    m_length = run.Tail.ValidLength;
    m_active = true;
    return true;
}

bool TRunJournal::append(std::uint8_t type, const QByteArray& payload)
{
    if (!m_active || m_failed) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("журнал не ведётся");
        return false;
    }
    JournalRun next = m_run;
    try {
        applyPayload(type, payload, next);
    } catch (const FormatError& error) {
        return stop(refused(error));
    }
    const QByteArray header = FrameHeader(type, static_cast<std::uint32_t>(payload.size()));
    const QByteArray mac = MacOf(m_key, m_chain, {header, payload});
    if (!AppendStorage({header, payload, mac}, durable(type))) {
        // Keep the journal a run of complete events: what was written of this one goes.
        TruncateStorage(m_length);
        m_failed = true;
        return false;
    }
    m_length += kFrameOverhead + payload.size();
    m_chain = mac;
    m_run = std::move(next);
    m_run.Tail = JournalTail{StoragePath(), m_length, m_chain};
    return true;
}

bool TRunJournal::TaskShown(const TResultTest& record)
{
    return append(evTaskShown, EncodeTaskShown(now(), record));
}

bool TRunJournal::HintUsed(const TResultTest& record)
{
    return append(evHintUsed, EncodeHintUsed(now(), record));
}

bool TRunJournal::TaskEvaluated(const TResultTest& record)
{
    return append(evTaskEvaluated, EncodeTaskEvaluated(now(), record));
}

bool TRunJournal::Clocks(const TResultTest& record)
{
    return append(evClocks, EncodeClocks(now(), record, m_run.TaskOnScreen));
}

bool TRunJournal::NetworkChanged(bool networkOk)
{
    return append(evNetwork, EncodeNetwork(now(), networkOk));
}

bool TRunJournal::End(const TResultTest& record)
{
    return append(evEnd, EncodeEnd(now(), record));
}

bool TRunJournal::OutputDone(JournalOutput output)
{
    return append(evOutputDone, EncodeOutputDone(now(), output));
}

void TRunJournal::Discard()
{
    if (m_active)
        RemoveStorage();
    m_active = false;
    m_failed = false;
    m_error.clear();
    m_run = JournalRun();
    m_chain.clear();
    m_length = 0;
}

// ---- memory ----

MemoryRunJournal::~MemoryRunJournal() = default;

bool MemoryRunJournal::CreateStorage(const QString& runName)
{
    (void)runName;
    m_bytes.clear();
    m_hasStorage = true;
    return true;
}

bool MemoryRunJournal::ReopenStorage(const JournalTail& tail)
{
    if (!tail.Path.isEmpty() || tail.ValidLength > m_bytes.size()) {
        setError(QStringLiteral("журнал не найден"));
        return false;
    }
    m_bytes.truncate(tail.ValidLength);
    m_hasStorage = true;
    return true;
}

bool MemoryRunJournal::AppendStorage(const QList<QByteArrayView>& pieces, bool durable)
{
    (void)durable;
    for (const QByteArrayView piece : pieces) {
        const qint64 room = m_capacity < 0 ? piece.size() : std::max<qint64>(0, m_capacity - m_bytes.size());
        m_bytes.append(piece.first(std::min<qint64>(room, piece.size())));
        if (room < piece.size()) {
            setError(QStringLiteral("нет места на диске"));
            return false;
        }
    }
    return true;
}

void MemoryRunJournal::TruncateStorage(qint64 length)
{
    m_bytes.truncate(length);
}

void MemoryRunJournal::RemoveStorage()
{
    m_bytes.clear();
    m_hasStorage = false;
}

} // namespace kvizor
