#pragma once

#include <QDialog>

class QKeyEvent;
class QPushButton;

namespace kvizor {

class RichTextView;

// The rich-text viewer window: `Viewer` filling the window above the full-width `bbOK`.
// A typed "+" or "-" changes the zoom by 5 points; releasing a mouse button over the
// text moves the focus to "OK", so Enter closes the window.
class TTextViewForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kZoomStep = 5;

    explicit TTextViewForm(QWidget* parent = nullptr);

    RichTextView* viewer() const { return m_viewer; }
    QPushButton* okButton() const { return m_ok; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool zoomKey(const QKeyEvent* event);

    RichTextView* m_viewer;
    QPushButton* m_ok;
};

} // namespace kvizor
