#include "ui/BalloonTip.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace kvizor {

namespace {

constexpr int TailHeight = 10;
constexpr int TailOffset = 16;

} // namespace

TBalloonTip::TBalloonTip(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("JvBalloonHint"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("BalloonTitle"));
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_textLabel = new QLabel(this);
    m_textLabel->setObjectName(QStringLiteral("BalloonText"));
    m_textLabel->setTextFormat(Qt::PlainText);

    auto* head = new QHBoxLayout;
    head->setSpacing(6);
    head->addWidget(icon);
    head->addWidget(m_titleLabel, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 8 + TailHeight, 10, 8);
    column->addLayout(head);
    column->addWidget(m_textLabel);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TBalloonTip::hideTip);
}

void TBalloonTip::showTip(QWidget* anchor, const QString& title, const QString& text, int milliseconds)
{
    m_anchor = anchor;
    m_title = title;
    m_text = text;
    m_titleLabel->setText(title);
    // "\n\r" and "\r\n" both break one line.
    QString shown = text;
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_textLabel->setText(shown);
    adjustSize();
    if (anchor != nullptr) {
        const QPoint tip = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
        move(tip.x() - TailOffset, tip.y());
    }
    show();
    raise();
    m_timer->start(milliseconds);
}

void TBalloonTip::hideTip()
{
    m_timer->stop();
    hide();
}

void TBalloonTip::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    hideTip();
}

void TBalloonTip::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(0.5, TailHeight + 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(body, 6, 6);
    QPainterPath tail;
    tail.moveTo(TailOffset - 6, body.top() + 1);
    tail.lineTo(TailOffset, 0.5);
    tail.lineTo(TailOffset + 6, body.top() + 1);
    tail.closeSubpath();
    path = path.united(tail);
    painter.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawPath(path);
}

} // namespace kvizor
