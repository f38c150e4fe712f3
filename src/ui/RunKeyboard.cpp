#include "ui/RunKeyboard.h"

#include "common/TextFormats.h"
#include "model/Test.h"
#include "platform/Calculator.h"
#include "run/RunController.h"
#include "ui/Accessibility.h"
#include "ui/MainWindowView.h"
#include "ui/Prompts.h"
#include "ui/StudentMainForm.h"
#include "ui/VariantGrid.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <array>

namespace kvizor {

TRunKeyboard::TRunKeyboard(TStudentMainForm& form, TMainWindowView& view, TRunController& run)
    : QObject(&form), m_form(form), m_view(view), m_run(run), m_startCalculator([] {
          const std::unique_ptr<Calculator> calculator = Calculator::create();
          return calculator != nullptr && calculator->start();
      })
{
    qApp->installEventFilter(this);
}

TRunKeyboard::~TRunKeyboard()
{
    qApp->removeEventFilter(this);
}

bool TRunKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A key goes first to the focused control and then up to its parents; it is looked at
    // once, on its first delivery, and only when it belongs to the form itself.
    if (widget->window() != &m_form)
        return false;
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr ? widget != focus : widget != &m_form)
        return false;
    return FormKeyPress(static_cast<QKeyEvent*>(event));
}

bool TRunKeyboard::FormKeyPress(QKeyEvent* key)
{
    if (m_run.RunState() != rsTesting)
        return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return enterKey();
    if (key->key() == Qt::Key_F6)
        return openGoToList();
    if (key->key() == Qt::Key_F2) {
        sayTimes();
        return true;
    }
    if (goToListArrow(key->key()))
        return true;
    const QString text = key->text();
    if (text.size() != 1)
        return false;
    const QChar ch = text.at(0);
    if (ch == QLatin1Char('=')) {
        if (!m_startCalculator())
            m_form.prompts().showMessage(QStringLiteral("Ошибка запуска стандартного калькулятора"),
                                         QStringLiteral("KvizorStudent"), MessageIcon::None);
        return false; // the control still gets it
    }
    if (ch.unicode() >= u'0' && ch.unicode() <= u'9') {
        const int digit = ch.unicode() - u'0';
        return digitKey(digit == 0 ? 9 : digit - 1);
    }
    return false;
}

bool TRunKeyboard::digitKey(int slot)
{
    TVariantGrid* grid = m_view.grid();
    switch (m_view.taskType()) {
    case ttSingleChoice: {
        QRadioButton* radio = grid->radio(slot);
        if (!radio->isEnabled())
            return false;
        radio->click();
        break;
    }
    case ttMultipleChoice: {
        QCheckBox* check = grid->check(slot);
        if (!check->isEnabled())
            return false;
        check->click();
        break;
    }
    case ttOrdering:
    case ttMatching:
    case ttTrueFalse: {
        QComboBox* list = grid->list(slot);
        if (!list->isEnabled() || list->count() == 0)
            return false;
        list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        m_run.VariantClick();
        break;
    }
    default:
        return false;
    }
    focusCheckButton();
    return true;
}

QString RemainingTimesText(const TTest& test, const TTask& task, const TResultTest& result, int taskIndex)
{
    const QString testPart =
        test.TestTimeLimit > 0
            ? QStringLiteral("Осталось времени на тест: %1")
                  .arg(formatDuration(std::int64_t(test.TestTimeLimit) - result.ElapsedSeconds))
            : QStringLiteral("Время на тест не ограничено, прошло %1")
                  .arg(formatDuration(result.ElapsedSeconds));
    const std::int64_t spent = std::max(0, result.GetTaskSeconds(taskIndex));
    const QString taskPart =
        task.TimeLimit > 0
            ? QStringLiteral("Осталось времени на задание: %1").arg(formatDuration(task.TimeLimit - spent))
            : QStringLiteral("Время на задание не ограничено, прошло %1").arg(formatDuration(spent));
    return testPart + QStringLiteral(". ") + taskPart + QLatin1Char('.');
}

void TRunKeyboard::sayTimes()
{
    const TResultTest* result = m_run.RunResult();
    if (result == nullptr || m_run.Test() == nullptr)
        return;
    const int index = result->TaskOrder.value(result->CurrentPos, -1);
    if (index < 0 || std::size_t(index) >= m_run.Tasks().size())
        return;
    const QString text =
        RemainingTimesText(*m_run.Test(), *m_run.Tasks()[std::size_t(index)], *result, index);
    if (m_notice == nullptr) {
        m_notice = new TSpokenLabel(
            QStringLiteral("Оставшееся время"), [](const QString& shown) { return shown; }, &m_form);
        m_notice->setObjectName(QStringLiteral("TimesNotice"));
        m_notice->setAccessibleRole(QAccessible::Notification);
        m_notice->setAutoFillBackground(true);
        m_notice->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_notice->setMargin(4);
        m_noticeTimer = new QTimer(m_notice);
        m_noticeTimer->setSingleShot(true);
        connect(m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);
    }
    // Shown anew each time: a screen reader speaks a notification as it appears (Qt 6.4
    // has no announcement event, and its AT-SPI bridge passes no alerts on).
    m_notice->hide();
    m_notice->setText(text);
    m_notice->adjustSize();
    const QWidget* bar = m_form.statusBar();
    m_notice->move(4, bar->y() - m_notice->height() - 4);
    m_notice->raise();
    m_notice->show();
    QAccessibleEvent alert(m_notice, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    m_noticeTimer->start(NoticeMilliseconds);
}

bool TRunKeyboard::openGoToList()
{
    QComboBox* list = m_form.ComboBoxEx1;
    if (!m_form.PanelGoToTask->isVisible() || !list->isEnabled() || list->count() == 0)
        return false;
    list->setFocus(Qt::ShortcutFocusReason);
    list->showPopup();
    // The arrows start from the task on screen.
    if (const TResultTest* result = m_run.RunResult())
        list->view()->setCurrentIndex(list->model()->index(result->CurrentPos, 0));
    return true;
}

bool TRunKeyboard::goToListArrow(int key)
{
    // On the closed list an arrow would choose the next entry at once, and so jump to a
    // task; it opens the list instead, where arrows only move and Enter chooses.
    static constexpr std::array<int, 6> moves{Qt::Key_Up,       Qt::Key_Down, Qt::Key_PageUp,
                                              Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
    if (QApplication::focusWidget() != m_form.ComboBoxEx1 || m_form.ComboBoxEx1->view()->isVisible() ||
        std::find(moves.begin(), moves.end(), key) == moves.end())
        return false;
    return openGoToList();
}

void TRunKeyboard::focusCheckButton()
{
    if (m_form.ButtonCheckAskTask->isEnabled())
        m_form.ButtonCheckAskTask->setFocus(Qt::OtherFocusReason);
}

bool TRunKeyboard::enterKey()
{
    const std::array<QPushButton*, 3> buttons{m_form.ButtonCheckAskTask, m_form.ButtonIDoNotKnow,
                                              m_form.ButtonSkippingTask};
    QWidget* focus = QApplication::focusWidget();
    for (QPushButton* button : buttons) {
        if (button == focus) {
            if (button->isEnabled() && button->isVisible())
                button->click();
            return true;
        }
    }
    for (QPushButton* button : buttons) {
        if (button->isEnabled() && button->isVisible()) {
            button->click();
            return true;
        }
    }
    return false;
}

} // namespace kvizor
