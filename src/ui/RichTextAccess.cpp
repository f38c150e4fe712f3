#include "ui/RichTextAccess.h"

#include "ui/RichTextRoutines.h"
#include "ui/RichTextView.h"

#include <QTextCursor>
#include <QTextDocument>

namespace kvizor::richtext_access {

namespace {

// Exactly the control class of the question and the variants.
RichTextView* view(QWidget* control)
{
    if (control == nullptr || control->metaObject() != &RichTextView::staticMetaObject)
        return nullptr;
    return static_cast<RichTextView*>(control);
}

} // namespace

void clear(QWidget* control)
{
    if (RichTextView* v = view(control)) {
        LoadRichText(QString(), v, false);
        v->setCurrentCharFormat(QTextCharFormat());
    }
}

void appendLine(QWidget* control, const QString& text)
{
    RichTextView* v = view(control);
    if (v == nullptr)
        return;
    QTextDocument* doc = v->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    v->applyZoom();
}

QTextDocument* document(QWidget* control)
{
    RichTextView* v = view(control);
    return v != nullptr ? v->document() : nullptr;
}

int zoom(const QWidget* control)
{
    const RichTextView* v = view(const_cast<QWidget*>(control));
    return v != nullptr ? v->zoom() : 100;
}

void setZoom(QWidget* control, int percent)
{
    if (RichTextView* v = view(control))
        v->setZoom(percent);
}

void contentChanged(QWidget* control)
{
    if (RichTextView* v = view(control))
        v->applyZoom();
}

void changeFontSize(QWidget* control, int delta)
{
    if (RichTextView* v = view(control))
        ChangeRichTextFontSize(v, delta);
}

void moveToStart(QWidget* control)
{
    if (RichTextView* v = view(control)) {
        v->moveCursor(QTextCursor::Start);
        v->ensureCursorVisible();
    }
}

bool isTaskText(const QWidget* widget)
{
    return view(const_cast<QWidget*>(widget)) != nullptr;
}

QWidget* taskTextOf(QWidget* widget)
{
    if (isTaskText(widget))
        return widget;
    QWidget* parent = widget->parentWidget();
    RichTextView* v = view(parent);
    if (v != nullptr && v->viewport() == widget)
        return parent;
    return nullptr;
}

void watchDoubleClicks(QWidget* control, QObject* filter)
{
    if (RichTextView* v = view(control))
        v->viewport()->installEventFilter(filter);
}

} // namespace kvizor::richtext_access
