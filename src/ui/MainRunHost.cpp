#include "ui/MainRunHost.h"

#include "ui/StudentMainForm.h"

namespace kvizor {

void TMainRunHost::WriteLogLine(const QString& line)
{
    m_window.WriteLogLine(line);
}

} // namespace kvizor
