#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;

namespace kvizor {

// A balloon tip with a title and a text that points at a control and hides itself after a
// while. One instance shows one tip at a time: a new tip replaces the shown one.
class TBalloonTip : public QWidget
{
    Q_OBJECT

public:
    explicit TBalloonTip(QWidget* parent = nullptr);

    // The text is kept as given; line feeds and carriage returns break the shown lines.
    void showTip(QWidget* anchor, const QString& title, const QString& text, int milliseconds);
    void hideTip();

    bool isShown() const { return isVisible(); }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QWidget* anchor() const { return m_anchor; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_titleLabel;
    QLabel* m_textLabel;
    QTimer* m_timer;
    QPointer<QWidget> m_anchor;
    QString m_title;
    QString m_text;
};

} // namespace kvizor
