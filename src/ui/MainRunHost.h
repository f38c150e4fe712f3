#pragma once

#include "run/RunOutputs.h"

namespace kvizor {

class TStudentMainForm;

// The main window's outputs of a run while no results module is plugged in: the result
// log lines. The task area, the commands under it and the status bar are the run view's
// (TMainWindowView).
class TMainRunHost : public IRunOutputs
{
public:
    explicit TMainRunHost(TStudentMainForm& window) : m_window(window) {}

    void WriteLogLine(const QString& line) override;

private:
    TStudentMainForm& m_window;
};

} // namespace kvizor
