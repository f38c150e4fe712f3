#pragma once

#include <QStringList>

namespace kvizor {

// The recent-files list: at most five paths, newest first, each path once whatever
// its letter case.
class TRecentFiles
{
public:
    static constexpr int MaxEntries = 5;

    const QStringList& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

    // Puts path on top, removing an entry equal to it without regard to letter case and
    // the oldest entry beyond the fifth.
    void AddPreviousFile(const QString& path);
    void clear() { m_entries.clear(); }

    // Rebuilds the list from stored values given in menu order ("1" first), so the
    // stored order comes back with the first value on top.
    void restore(const QStringList& storedInMenuOrder);

private:
    QStringList m_entries;
};

} // namespace kvizor
