#include "ui/RecentFiles.h"

namespace kvizor {

void TRecentFiles::AddPreviousFile(const QString& path)
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).compare(path, Qt::CaseInsensitive) == 0) {
            m_entries.removeAt(i);
            break;
        }
    }
    m_entries.prepend(path);
    while (m_entries.size() > MaxEntries)
        m_entries.removeLast();
}

void TRecentFiles::restore(const QStringList& storedInMenuOrder)
{
    m_entries.clear();
    for (qsizetype i = storedInMenuOrder.size() - 1; i >= 0; --i) {
        if (!storedInMenuOrder.at(i).isEmpty())
            AddPreviousFile(storedInMenuOrder.at(i));
    }
}

} // namespace kvizor
