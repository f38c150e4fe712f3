#include "ui/NumberKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace kvizor {

TNumberKeyFilter::TNumberKeyFilter(QLineEdit* field)
    : QObject(field), m_field(field), m_beep([] { QApplication::beep(); })
{
    field->installEventFilter(this);
}

QChar TNumberKeyFilter::decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

bool TNumberKeyFilter::refuses(QChar ch, QChar* replacement) const
{
    const QChar separator = decimalSeparator();
    if (ch == QLatin1Char(',') || ch == QLatin1Char('.'))
        ch = separator;
    *replacement = ch;
    if (ch.unicode() >= u'0' && ch.unicode() <= u'9')
        return false;
    const QString text = m_field->text();
    if (ch == separator)
        return text.contains(separator);
    if (ch == QLatin1Char('-'))
        return text.contains(QLatin1Char('-')) || m_field->cursorPosition() != 0;
    return true;
}

bool TNumberKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys that type nothing (arrows, Delete), backspace, Enter and shortcuts pass.
    if (text.size() != 1 || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F ||
        (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    QChar typed;
    if (refuses(text.at(0), &typed)) {
        m_beep();
        return true;
    }
    if (typed != text.at(0)) {
        m_field->insert(QString(typed));
        return true;
    }
    return false;
}

} // namespace kvizor
