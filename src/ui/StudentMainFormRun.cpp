// The answer controls and the keyboard of a run: every change the examinee makes reaches
// the run controller as a click on a variant.
#include "ui/StudentMainForm.h"

#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/RunKeyboard.h"
#include "ui/VariantGrid.h"

#include <QComboBox>
#include <QLineEdit>

namespace kvizor {

void TStudentMainForm::connectRunControls()
{
    m_runKeyboard = new TRunKeyboard(*this, *m_runView, *m_run);
    TRunController* run = m_run.get();
    connect(m_runView->grid(), &TVariantGrid::answerChanged, this, [run] { run->VariantClick(); });
    connect(m_runView->imageArea(), &TImageArea::pointChosen, this, [run] { run->VariantClick(); });
    connect(EditInputNum, &QLineEdit::textEdited, this, [run] { run->VariantClick(); });
    connect(EditInputText, &QLineEdit::textEdited, this, [run] { run->VariantClick(); });
    ComboBoxEx1->setPlaceholderText(QStringLiteral("Перейти к заданию..."));
}

} // namespace kvizor
