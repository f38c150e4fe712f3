// The program with its dialogs real but the examinee's name scripted, for the termination
// tests: once started on the test named as its argument, it begins a run, answers the first
// task with "Я не знаю..." and then, as KVIZOR_DRIVER_WAIT says, opens the stop question
// ("question", a real modal box) or waits between commands ("idle"); it prints READY when it
// waits. Every dialog it is asked to show is written to standard error as "PROMPT <text>".
// The result files and the journal are in KVIZOR_DRIVER_FOLDER.

#include "app/StudentProgram.h"
#include "ui/WidgetPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace kvizor;

namespace {

class DriverPrompts : public WidgetPrompts
{
public:
    DriverPrompts() : WidgetPrompts(nullptr) {}

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override
    {
        note(text);
        WidgetPrompts::showMessage(text, caption, icon);
    }
    bool askYesNo(const QString& text, const QString& caption) override
    {
        note(text);
        return WidgetPrompts::askYesNo(text, caption);
    }
    bool askYesNoDefaultYes(const QString& text, const QString& caption) override
    {
        note(text);
        return WidgetPrompts::askYesNoDefaultYes(text, caption);
    }
    bool showRichText(const QString& richText, const QString& caption) override
    {
        note(caption);
        return WidgetPrompts::showRichText(richText, caption);
    }
    int execDialog(QDialog& dialog) override
    {
        note(dialog.objectName());
        return WidgetPrompts::execDialog(dialog);
    }
    IdentificationResult identify(const IdentificationRequest&) override
    {
        return {true, QStringLiteral("Сидоров Сидор"), QStringLiteral("9 В")};
    }

private:
    static void note(const QString& text)
    {
        std::fprintf(stderr, "PROMPT %s\n", text.toUtf8().constData());
        std::fflush(stderr);
    }
};

void ready()
{
    std::puts("READY");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<DriverPrompts> prompts;
    const QString wait = qEnvironmentVariable("KVIZOR_DRIVER_WAIT");
    StudentProgramOptions options;
    options.adjustWindow = [&prompts](TStudentMainForm::Options& window) {
        prompts = std::make_unique<DriverPrompts>();
        window.programFolder = qEnvironmentVariable("KVIZOR_DRIVER_FOLDER");
        window.prompts = prompts.get();
    };
    options.onWindowCreated = [wait](TStudentMainForm& window) {
        window.Config.IsSaveProtectionResult = true;
        QObject::connect(&window, &TStudentMainForm::startupFinished, &window, [&window, wait] {
            QTimer::singleShot(0, &window, [&window, wait] {
                TRunController& run = window.runController();
                run.BeginTest();
                run.aIDoNotKnowExecute();
                if (wait != QLatin1String("question")) {
                    ready();
                    return;
                }
                QTimer::singleShot(50, [] {
                    if (QApplication::activeModalWidget() != nullptr)
                        ready();
                });
                run.AEndTestExecute();
            });
        });
    };
    return RunStudentProgram(argc, argv, options);
}
