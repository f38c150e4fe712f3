#pragma once

#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

namespace kvizor {

// The scrollable picture of a place-on-image task. The picture keeps its natural size;
// the marker and the right-area rectangle are children of the picture, so they move with
// it when the area is scrolled. The marker is placed by a click or by the arrow keys: the
// first press puts it at the picture's centre, each further one moves it by a pixel, by
// ten with Shift.
class TImageArea : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int MarkerSize = 11;

    explicit TImageArea(QWidget* parent = nullptr);

    QLabel* image() const { return m_image; }
    QWidget* marker() const { return m_marker; }
    QWidget* rectShape() const { return m_rect; }

    void setPicture(const QPixmap& picture);
    void clearPicture();
    bool hasPicture() const { return m_hasPicture; }

    // Centres the marker on a pixel of the picture and shows it.
    void placeMarker(const QPoint& pixel);
    void hideMarker();
    bool markerShown() const;
    // The marker's centre in pixels of the picture.
    QPoint markerCentre() const;

    // The right area of the picture, in its pixels.
    void showAnswerRect(const QRect& area);
    void hideAnswerRect();

    void scrollToTopLeft();

    static constexpr int ShiftStep = 10;
    // The band around the picture that shows, in the highlight colour, that the picture has
    // the keyboard focus.
    static constexpr int FocusBand = 2;

Q_SIGNALS:
    // The examinee placed the marker: a left click completed (pressed and released) or an
    // arrow key.
    void pointChosen();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nameForReader();

    QLabel* m_image;
    QWidget* m_marker;
    QWidget* m_rect;
    bool m_hasPicture = false;
    bool m_pressed = false;
};

} // namespace kvizor
