#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace kvizor {

class TMainWindowView;
class TRunController;
class TStudentMainForm;

// The keyboard of a run, seeing the main window's key presses before the focused control:
// digits answer in the variant slots ("0" is slot 10), "=" starts the calculator and goes
// on to the control, Enter presses the first visible and enabled of "Дальше (проверить)",
// "Я не знаю..." and "Пропустить..." unless one of them has the focus. F6 opens the go-to
// list, where the arrows move and Enter goes to the chosen task.
class TRunKeyboard : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the application, acting only on the form's own key presses.
    TRunKeyboard(TStudentMainForm& form, TMainWindowView& view, TRunController& run);
    ~TRunKeyboard() override;

    // Starts the calculator; false when none started. The platform's by default.
    void setCalculator(std::function<bool()> start) { m_startCalculator = std::move(start); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FormKeyPress(QKeyEvent* key);
    // A digit for slot 0 … 9; true when it was used (and is swallowed).
    bool digitKey(int slot);
    bool enterKey();
    bool openGoToList();
    bool goToListArrow(int key);
    void focusCheckButton();

    TStudentMainForm& m_form;
    TMainWindowView& m_view;
    TRunController& m_run;
    std::function<bool()> m_startCalculator;
};

} // namespace kvizor
