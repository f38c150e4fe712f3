#pragma once

#include "RunJournal.h"

#include <QString>

namespace kvizor {

// A journal kept in a file of folder named after the run's GUID (JournalFormat.h), created
// exclusively with owner-only permissions and locked while this object holds it. Every event
// is written before its call returns, and a durable one also synced to the disk (fdatasync).
// Destroying the object without Discard leaves the file for resuming.
class FileRunJournal : public TRunJournal
{
public:
    explicit FileRunJournal(QString folder, std::function<QDateTime()> now = {}, QByteArray key = {});
    ~FileRunJournal() override;
    FileRunJournal(const FileRunJournal&) = delete;
    FileRunJournal& operator=(const FileRunJournal&) = delete;

    // The file of the run being journaled; empty when there is none.
    QString Path() const { return m_path; }

protected:
    bool CreateStorage(const QString& runName) override;
    bool ReopenStorage(const JournalTail& tail) override;
    bool AppendStorage(const QList<QByteArrayView>& pieces, bool durable) override;
    void TruncateStorage(qint64 length) override;
    void RemoveStorage() override;
    QString StoragePath() const override { return m_path; }

private:
    void close();

    QString m_folder;
    QString m_path;
    int m_fd = -1;
};

} // namespace kvizor
