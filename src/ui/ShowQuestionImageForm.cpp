#include "ui/ShowQuestionImageForm.h"

#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kvizor {

TShowQuestionImageForm::TShowQuestionImageForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ShowQuestionImageForm"));
    setWindowTitle(QStringLiteral("Просмотр изображения к заданию"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setMinimumSize(1, 1);
    m_image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_image);
}

void TShowQuestionImageForm::setPicture(const QPixmap& picture)
{
    m_picture = picture;
    updateScaled();
}

void TShowQuestionImageForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        // Each showing starts at the picture's natural size, centred over the owner.
        if (!m_picture.isNull())
            resize(m_picture.deviceIndependentSize().toSize().expandedTo(QSize(1, 1)));
        if (parentWidget() != nullptr)
            move(parentWidget()->window()->geometry().center() - rect().center());
    }
    QDialog::showEvent(event);
    updateScaled();
}

void TShowQuestionImageForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    updateScaled();
}

void TShowQuestionImageForm::updateScaled()
{
    if (m_picture.isNull()) {
        m_image->clear();
        return;
    }
    m_image->setPixmap(m_picture.scaled(m_image->size() * devicePixelRatioF(), Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation));
}

} // namespace kvizor
