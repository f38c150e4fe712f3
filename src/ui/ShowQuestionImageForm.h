#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;

namespace kvizor {

// "Просмотр изображения к заданию": the question's picture, enlarged. Made once at
// start-up and reused; not modal.
class TShowQuestionImageForm : public QDialog
{
    Q_OBJECT

public:
    explicit TShowQuestionImageForm(QWidget* parent = nullptr);

    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return m_picture; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScaled();

    QLabel* m_image;
    QPixmap m_picture;
};

} // namespace kvizor
