#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kvizor {

// The password prompt shared by opening a test, starting a run and the settings
// dialog. One instance is made at start-up and reused; each showing starts empty.
class TInputPasswordForm : public QDialog
{
    Q_OBJECT

public:
    explicit TInputPasswordForm(QWidget* parent = nullptr);

    // The edit's text as it was when the window closed, by any button or the close box.
    QString EnteredPassword;

    QLineEdit* edit() const { return m_edit; }
    QCheckBox* showCharacters() const { return m_showCharacters; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onShowCharactersToggled(bool checked);

    QLineEdit* m_edit;
    QCheckBox* m_showCharacters;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace kvizor
