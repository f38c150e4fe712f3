#include "ui/ImageArea.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kvizor {

namespace {

// The marker: a maroon circle with a grey outline.
class TShapePoint : public QWidget
{
public:
    explicit TShapePoint(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("ShapePoint"));
        setFixedSize(TImageArea::MarkerSize, TImageArea::MarkerSize);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        (void)event;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
        painter.setBrush(QColor(0x80, 0x00, 0x00));
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

// The right area: a dotted red outline over light green diagonal-cross hatching, through
// which the picture stays visible.
class TAnswerShape : public QWidget
{
public:
    explicit TAnswerShape(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Shape"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        (void)event;
        QPainter painter(this);
        painter.fillRect(rect(), QBrush(QColor(0x90, 0xEE, 0x90), Qt::DiagCrossPattern));
        painter.setPen(QPen(Qt::red, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

TImageArea::TImageArea(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("ScrollBox"));
    setFocusPolicy(Qt::StrongFocus);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image = new QLabel;
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image->setCursor(Qt::CrossCursor);
    m_image->installEventFilter(this);
    m_marker = new TShapePoint(m_image);
    m_rect = new TAnswerShape(m_image);
    setWidget(m_image);
    setViewportMargins(FocusBand, FocusBand, FocusBand, FocusBand);
    setAccessibleDescription(
        QStringLiteral("Укажите место на изображении: стрелки двигают отметку, с Shift на 10 "
                       "точек; Enter отвечает"));
    clearPicture();
}

void TImageArea::nameForReader()
{
    // The marker's place is part of the name, so a listener hears it move.
    const QString name = markerShown() ? QStringLiteral("Изображение для ответа, отметка: %1, %2")
                                             .arg(markerCentre().x())
                                             .arg(markerCentre().y())
                                       : QStringLiteral("Изображение для ответа, отметки нет");
    if (accessibleName() != name)
        setAccessibleName(name);
}

void TImageArea::setPicture(const QPixmap& picture)
{
    m_image->setPixmap(picture);
    m_image->setFixedSize(picture.size());
    m_hasPicture = true;
    m_image->show();
}

void TImageArea::clearPicture()
{
    m_image->clear();
    m_image->setFixedSize(0, 0);
    m_hasPicture = false;
    hideMarker();
    hideAnswerRect();
}

void TImageArea::placeMarker(const QPoint& pixel)
{
    m_marker->move(pixel - QPoint(MarkerSize / 2, MarkerSize / 2));
    m_marker->show();
    m_marker->raise();
    nameForReader();
}

void TImageArea::hideMarker()
{
    m_marker->hide();
    nameForReader();
}

bool TImageArea::markerShown() const
{
    return !m_marker->isHidden();
}

QPoint TImageArea::markerCentre() const
{
    return m_marker->pos() + QPoint(MarkerSize / 2, MarkerSize / 2);
}

void TImageArea::showAnswerRect(const QRect& area)
{
    m_rect->setGeometry(area);
    m_rect->show();
    m_rect->raise();
}

void TImageArea::hideAnswerRect()
{
    m_rect->hide();
}

void TImageArea::scrollToTopLeft()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TImageArea::keyPressEvent(QKeyEvent* event)
{
    QPoint direction;
    switch (event->key()) {
    case Qt::Key_Left:
        direction = {-1, 0};
        break;
    case Qt::Key_Right:
        direction = {1, 0};
        break;
    case Qt::Key_Up:
        direction = {0, -1};
        break;
    case Qt::Key_Down:
        direction = {0, 1};
        break;
    default:
        break;
    }
    const Qt::KeyboardModifiers others = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (direction.isNull() || others != Qt::NoModifier || !m_hasPicture || !isEnabled()) {
        QScrollArea::keyPressEvent(event);
        return;
    }
    const QSize size = m_image->size();
    QPoint pixel = QPoint(size.width() / 2, size.height() / 2);
    if (markerShown())
        pixel = markerCentre() + direction * (event->modifiers() & Qt::ShiftModifier ? ShiftStep : 1);
    pixel = QPoint(std::clamp(pixel.x(), 0, size.width() - 1), std::clamp(pixel.y(), 0, size.height() - 1));
    placeMarker(pixel);
    ensureVisible(pixel.x(), pixel.y(), MarkerSize, MarkerSize);
    event->accept();
    Q_EMIT pointChosen();
}

bool TImageArea::event(QEvent* event)
{
    const bool handled = QScrollArea::event(event);
    if (event->type() == QEvent::Paint && hasFocus()) {
        // A picture shows no focus of its own: the band between the frame and the picture
        // does, so a keyboard user sees where the arrows act.
        QPainter painter(this);
        const int f = frameWidth();
        painter.fillRect(rect().adjusted(f, f, -f, -f), palette().color(QPalette::Highlight));
    }
    return handled;
}

bool TImageArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image && m_hasPicture && isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                placeMarker(mouse->position().toPoint());
                m_pressed = true;
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && m_pressed) {
                m_pressed = false;
                Q_EMIT pointChosen();
                return true;
            }
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

} // namespace kvizor
