#include "ui/StudentMainForm.h"

#include "ui/StudentAdditionConfigForm.h"

namespace kvizor {

// A new dialog for every opening, so it always starts on its first page.
void TStudentMainForm::AAdditionConfigExecute()
{
    if (RunState() == rsTesting || exchangeUnderWay())
        return;
    TStudentAdditionConfigForm::Options options;
    options.programFolder = m_programFolder;
    TStudentAdditionConfigForm form(Config, *m_prompts, this, options);
    form.OpenWithPasswordCheck();
}

} // namespace kvizor
