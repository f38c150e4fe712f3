#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Constants of the run journal file.
//
// The file: the 20-byte header (magic, version), then events appended one by one. An event
// is a frame:
//   uint32 payload length n, uint8 type, uint32 CRC-32 of those 5 bytes,
//   n bytes of payload (int64 wall-clock time in ms since the epoch, UTC, then the type's fields),
//   32 bytes HMAC-SHA256 over the previous frame's MAC (the header's for the first) and the
//   frame's header and payload, keyed with the program's journal key.
// A cut file ends inside a frame; everything before that frame is a complete journal.
namespace kvizor::journal {

inline const QByteArray kMagic = QByteArrayLiteral("KvizorRunJournal");
inline constexpr int kMagicSize = 16;
inline constexpr std::uint32_t kVersion = 1;
inline constexpr int kHeaderSize = kMagicSize + 4;

inline constexpr int kFrameHeaderSize = 9;
inline constexpr int kMacSize = 32;
inline constexpr int kTimeSize = 8;
inline constexpr qint64 kFrameOverhead = kFrameHeaderSize + kMacSize;

enum EventType : std::uint8_t
{
    evTestBytes = 1,
    evBegin = 2,
    evTaskShown = 3,
    evHintUsed = 4,
    evTaskEvaluated = 5,
    evClocks = 6,
    evNetwork = 7,
    evEnd = 8,
    evOutputDone = 9,
};

// Every task has ten variant slots, so a variant order has at most ten entries.
inline constexpr int kMaxVariantOrder = 10;

// One journal file per run: <run GUID without braces> + this suffix.
inline const QString kFileSuffix = QStringLiteral(".kvj");
inline const QString kSetAsideInfix = QStringLiteral(".damaged-");
inline const QString kFolderName = QStringLiteral("journal");

} // namespace kvizor::journal
