#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLayout>
#include <QSize>
#include <QString>
#include <QWidget>

#include <algorithm>

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

// The width a window needs for its whole caption in the window manager's title bar, which
// draws it in a font of its own: taken as bold (as title bars draw it), not below 10
// points (common title bars use 8 to 11), in the wider of the window's family and the
// desktop's sans-serif family, beside the window icon and three title buttons about a line
// high each.
inline int CaptionWidth(const QWidget& window, const QString& caption)
{
    int widest = 0;
    for (const QString& family : {window.font().family(), QStringLiteral("Sans Serif")}) {
        QFont font = window.font();
        font.setFamily(family);
        font.setBold(true);
        if (font.pointSizeF() > 0 && font.pointSizeF() < 10)
            font.setPointSizeF(10);
        const QFontMetrics metrics(font);
        constexpr int titleItems = 4;
        constexpr int edges = 16;
        widest = std::max(widest,
                          metrics.horizontalAdvance(caption) + titleItems * (metrics.height() + 6) + edges);
    }
    return widest;
}

} // namespace kvizor
