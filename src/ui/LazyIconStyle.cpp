#include "ui/LazyIconStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace kvizor {

namespace {

// Stands for a standard icon of a style; the real icon is made at the first drawing.
class LazyIconEngine : public QIconEngine
{
public:
    LazyIconEngine(QStyle* style, QStyle::StandardPixmap which, const QWidget* widget)
        : m_style(style), m_which(which), m_widget(const_cast<QWidget*>(widget))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return real().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return real().pixmap(size, scale, mode, state);
    }
    // Standard icons are square and scale to any size, so the size needs no picture.
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        if (m_icon)
            return m_icon->actualSize(size, mode, state);
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return real().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("kvizor-lazy-standard"); }
    QIconEngine* clone() const override
    {
        auto* copy = new LazyIconEngine(m_style, m_which, m_widget);
        copy->m_icon = m_icon;
        return copy;
    }

private:
    const QIcon& real()
    {
        if (!m_icon) {
            QIcon icon;
            if (QStyle* style = m_style.data())
                icon = style->standardIcon(m_which, nullptr, m_widget.data());
            m_icon = icon;
        }
        return *m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget;
    std::optional<QIcon> m_icon;
};

} // namespace

LazyIconStyle::LazyIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon LazyIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                  const QWidget* widget) const
{
    // An option cannot be kept for later: such icons are made at once.
    if (option != nullptr)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    return QIcon(new LazyIconEngine(baseStyle(), standardIcon, widget));
}

} // namespace kvizor
