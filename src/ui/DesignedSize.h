#pragma once

#include <QLayout>
#include <QSize>
#include <QWidget>

namespace kvizor {

// A widget whose size hints never fall below the size it was designed with: it keeps that
// size where the font's texts need no more and grows where they need more. (A plain minimum
// size would instead let a layout squeeze the widget down to the designed size.) A zero
// width or height sets no floor in that direction.
template <typename Base>
class TDesigned : public Base
{
public:
    using Base::Base;

    void setDesignedSize(QSize size)
    {
        m_designed = size;
        this->updateGeometry();
    }
    QSize designedSize() const { return m_designed; }

    QSize sizeHint() const override { return Base::sizeHint().expandedTo(m_designed); }
    QSize minimumSizeHint() const override { return Base::minimumSizeHint().expandedTo(m_designed); }

private:
    QSize m_designed;
};

// Fixes a window of fixed size at its designed size, or larger where its contents need more
// room with this desktop's font. Run again after texts that decide its size change.
inline void FixToDesignedSize(QWidget* window, QSize designed)
{
    if (QLayout* layout = window->layout())
        layout->activate();
    window->setFixedSize(window->sizeHint().expandedTo(designed));
}

} // namespace kvizor
