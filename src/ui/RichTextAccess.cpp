#include "ui/RichTextAccess.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace kvizor::richtext_access {

namespace {

QTextEdit* edit(QWidget* control)
{
    return qobject_cast<QTextEdit*>(control);
}

} // namespace

void clear(QWidget* control)
{
    if (QTextEdit* e = edit(control)) {
        e->clear();
        e->setCurrentCharFormat(QTextCharFormat());
    }
}

void appendLine(QWidget* control, const QString& text)
{
    QTextDocument* doc = document(control);
    if (doc == nullptr)
        return;
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
}

QTextDocument* document(QWidget* control)
{
    QTextEdit* e = edit(control);
    return e != nullptr ? e->document() : nullptr;
}

int zoom(const QWidget* control)
{
    const QVariant value = control->property("zoomPercent");
    return value.isValid() ? value.toInt() : 100;
}

void setZoom(QWidget* control, int percent)
{
    control->setProperty("zoomPercent", percent);
}

void changeFontSize(QWidget* control, int delta)
{
    Q_UNUSED(control);
    Q_UNUSED(delta);
}

void moveToStart(QWidget* control)
{
    if (QTextEdit* e = edit(control)) {
        e->moveCursor(QTextCursor::Start);
        e->ensureCursorVisible();
    }
}

bool isTaskText(const QWidget* widget)
{
    return qobject_cast<const QTextEdit*>(widget) != nullptr;
}

QWidget* taskTextOf(QWidget* widget)
{
    if (isTaskText(widget))
        return widget;
    QWidget* parent = widget->parentWidget();
    if (parent != nullptr && isTaskText(parent) && edit(parent)->viewport() == widget)
        return parent;
    return nullptr;
}

void watchDoubleClicks(QWidget* control, QObject* filter)
{
    if (QTextEdit* e = edit(control))
        e->viewport()->installEventFilter(filter);
}

} // namespace kvizor::richtext_access
