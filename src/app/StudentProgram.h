#pragma once

#include "ui/StudentMainForm.h"

#include <functional>

namespace kvizor {

struct StudentProgramOptions
{
    // Changes the main window's options before it is made (test drivers script its dialogs).
    std::function<void(TStudentMainForm::Options&)> adjustWindow;
    // Called once the main window has been created, before it is shown.
    std::function<void(TStudentMainForm&)> onWindowCreated;
};

// The whole program: the single-instance rule, the windows and the event loop. A later
// launch hands its first argument to the running program and ends without a window.
// Returns the process exit code.
int RunStudentProgram(int argc, char** argv, const StudentProgramOptions& options = {});

} // namespace kvizor
