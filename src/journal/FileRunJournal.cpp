#include "FileRunJournal.h"

#include "JournalFiles.h"
#include "JournalFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kvizor {

namespace files = journal::files;

FileRunJournal::FileRunJournal(QString folder, std::function<QDateTime()> now, QByteArray key)
    : TRunJournal(std::move(now), std::move(key)), m_folder(std::move(folder))
{
}

FileRunJournal::~FileRunJournal()
{
    close();
}

void FileRunJournal::close()
{
    files::Close(m_fd);
    m_fd = -1;
    m_path.clear();
}

bool FileRunJournal::CreateStorage(const QString& runName)
{
    close();
    QString error;
    if (!files::MakePrivateFolder(m_folder, &error)) {
        setError(error);
        return false;
    }
    const QString path = QDir(m_folder).filePath(runName + journal::kFileSuffix);
    m_fd = files::CreateExclusive(path, &error);
    if (m_fd < 0) {
        setError(error);
        return false;
    }
    m_path = path;
    // The name must survive a power cut as well as the bytes.
    files::SyncFolder(m_folder);
    return true;
}

bool FileRunJournal::ReopenStorage(const JournalTail& tail)
{
    close();
    QString error;
    const int fd = files::OpenForAppend(tail.Path, &error);
    if (fd < 0) {
        setError(error);
        return false;
    }
    const qint64 size = files::FileSize(fd);
    if (size < tail.ValidLength) {
        files::Close(fd);
        setError(QStringLiteral("журнал изменился после чтения"));
        return false;
    }
    // A partial last event is cut off before anything is appended after it.
    if (size > tail.ValidLength && !files::TruncateDurably(fd, tail.ValidLength, &error)) {
        files::Close(fd);
        setError(error);
        return false;
    }
    m_fd = fd;
    m_path = tail.Path;
    return true;
}

bool FileRunJournal::AppendStorage(const QList<QByteArrayView>& pieces, bool durable)
{
    QString error;
    if (m_fd < 0 || !files::Write(m_fd, pieces, durable, &error)) {
        setError(error.isEmpty() ? QStringLiteral("журнал закрыт") : error);
        return false;
    }
    return true;
}

void FileRunJournal::TruncateStorage(qint64 length)
{
    if (m_fd >= 0)
        files::TruncateDurably(m_fd, length, nullptr);
}

void FileRunJournal::RemoveStorage()
{
    if (!m_path.isEmpty() && QFile::remove(m_path)) {
        // Once the outputs are written, a removed journal must stay removed, or the run
        // would be offered again after a power cut.
        files::SyncFolder(QFileInfo(m_path).absolutePath());
    }
    close();
}

} // namespace kvizor
