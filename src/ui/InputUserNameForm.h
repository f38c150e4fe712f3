#pragma once

#include "run/RunPrompts.h"

#include <QDialog>
#include <QTime>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvizor {

class Prompts;
class TBalloonTip;

// The examinee's name and group, asked before a run. One instance lives as long as the
// program, so the fields keep the last entries. OK closes it only when both entries,
// tidied, fit their templates; otherwise a balloon tip shows an example.
class TInputUserNameForm : public QDialog
{
    Q_OBJECT

public:
    // prompts shows the error of a template that is no valid expression; without it a
    // message box does.
    explicit TInputUserNameForm(QWidget* parent = nullptr, Prompts* prompts = nullptr);

    // Set by the caller before showing; an empty template accepts anything.
    QString UserNameExpression;
    QString UserGroupExpression;
    QString UserNameExample;
    QString UserGroupExample;

    QLineEdit* UserName = nullptr;
    QLineEdit* UserGroup = nullptr;
    QLabel* HelloLabel = nullptr;
    QPushButton* OKButton = nullptr;
    TBalloonTip* JvBalloonHint = nullptr;

    // The local time, replaceable for tests.
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

    // Fills the fields and templates from the request, runs the dialog through exec and
    // reports how it closed with the fields as they were then.
    IdentificationResult Identify(const IdentificationRequest& request,
                                  const std::function<int(QDialog&)>& exec);

    static QString Greeting(int hour);
    static QString TemplateMismatchText(const QString& example);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void OKButtonClick();
    // The first click into a field empties it, unless the field was changed already.
    void fieldClick(QLineEdit* field, bool& flag);
    // Whether the field fits the template; otherwise the tip (or, for a template that is no
    // valid expression, an error message) has been shown.
    bool checkEntry(const QString& expression, QLineEdit* field, const QString& example);

    Prompts* m_prompts;
    std::function<QTime()> m_clock;
    bool m_userNameTouched = false;
    bool m_userGroupTouched = false;
};

} // namespace kvizor
