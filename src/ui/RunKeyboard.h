#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QTimer;
class QWidget;

namespace kvizor {

class TMainWindowView;
class TRunController;
class TResultTest;
class TSpokenLabel;
class TStudentMainForm;
class TTask;
class TTest;

// What F2 says: the time left for the test and for the task on screen (or, without a
// limit, the time spent).
QString RemainingTimesText(const TTest& test, const TTask& task, const TResultTest& result, int taskIndex);

// The keyboard of a run, seeing the main window's key presses before the focused control:
// digits answer in the variant slots ("0" is slot 10), "=" starts the calculator and goes
// on to the control, Enter presses the first visible and enabled of "Дальше (проверить)",
// "Я не знаю..." and "Пропустить..." unless one of them has the focus. F6 opens the go-to
// list, where the arrows move and Enter goes to the chosen task. F2 shows the remaining
// times for a few seconds in a notice that a screen reader speaks.
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
    void sayTimes();
    bool goToListArrow(int key);
    void focusCheckButton();

    TStudentMainForm& m_form;
    TMainWindowView& m_view;
    TRunController& m_run;
    std::function<bool()> m_startCalculator;
    TSpokenLabel* m_notice = nullptr;
    QTimer* m_noticeTimer = nullptr;

public:
    static constexpr int NoticeMilliseconds = 6000;
    TSpokenLabel* notice() const { return m_notice; }
};

} // namespace kvizor
