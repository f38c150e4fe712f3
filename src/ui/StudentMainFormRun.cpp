// The window's side of a test run: the controller, its view, prompts and keyboard, and
// the commands and controls that drive it.
#include "ui/StudentMainForm.h"

#include "richtext/RichText.h"
#include "ui/ImageArea.h"
#include "ui/InputUserNameForm.h"
#include "ui/MainWindowView.h"
#include "ui/RunKeyboard.h"
#include "ui/VariantGrid.h"
#include "ui/WindowRunAdapters.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace kvizor {

void TStudentMainForm::createRun(const Options& options)
{
    m_userNameForm = new TInputUserNameForm(this, m_prompts);
    m_runView = std::make_unique<TMainWindowView>(*this);
    m_runPrompts = std::make_unique<TWindowRunPrompts>(*m_prompts, *m_userNameForm);
    IRunOutputs* outputs = options.runOutputs;
    if (outputs == nullptr) {
        m_ownRunOutputs = std::make_unique<TWindowRunOutputs>(*this);
        outputs = m_ownRunOutputs.get();
    }
    IRunNetwork* network = options.runNetwork;
    if (network == nullptr) {
        m_ownRunNetwork = std::make_unique<IRunNetwork>();
        network = m_ownRunNetwork.get();
    }
    RunEnvironment environment = RunEnvironment::System();
    environment.PlainText = [](const QString& text) { return RtfToPlainText(text); };
    environment.ProgramFolder = [this] { return m_programFolder; };
    environment.RealTimers = options.realTimers;
    m_run = std::make_unique<TRunController>(Config, *m_runView, *m_runPrompts, *outputs, *network,
                                             std::move(environment));
    m_runKeyboard = new TRunKeyboard(*this, *m_runView, *m_run);

    TRunController* run = m_run.get();
    connect(ABeginTest, &QAction::triggered, this, [run] { run->BeginTest(); });
    connect(AAskTask, &QAction::triggered, this, [run] { run->AskTask(); });
    connect(ACheckAskTask, &QAction::triggered, this, [run] { run->ACheckAskTaskExecute(); });
    connect(aIDoNotKnow, &QAction::triggered, this, [run] { run->aIDoNotKnowExecute(); });
    connect(aSkippingTask, &QAction::triggered, this, [run] { run->aSkippingTaskExecute(); });
    connect(AEndTest, &QAction::triggered, this, [run] { run->AEndTestExecute(); });
    connect(aShowPromptTask, &QAction::triggered, this, [run] { run->aShowPromptTaskExecute(); });

    // Every change the examinee makes to an answer control.
    connect(m_runView->grid(), &TVariantGrid::answerChanged, this, [run] { run->VariantClick(); });
    connect(m_runView->imageArea(), &TImageArea::imageClicked, this, [run] { run->VariantClick(); });
    connect(EditInputNum, &QLineEdit::textEdited, this, [run] { run->VariantClick(); });
    connect(EditInputText, &QLineEdit::textEdited, this, [run] { run->VariantClick(); });

    // The go-to list keeps no selection.
    ComboBoxEx1->setPlaceholderText(QStringLiteral("Перейти к заданию..."));
    connect(ComboBoxEx1, &QComboBox::activated, this, [this, run](int index) {
        run->GoToTask(index);
        ComboBoxEx1->setCurrentIndex(-1);
    });
}

TRunState TStudentMainForm::RunState() const
{
    return m_run->RunState();
}

const TTest* TStudentMainForm::Test() const
{
    return m_run->Test();
}

const TTaskList& TStudentMainForm::Tasks() const
{
    return m_run->Tasks();
}

} // namespace kvizor
