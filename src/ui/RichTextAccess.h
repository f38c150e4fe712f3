#pragma once

#include <QString>

class QObject;
class QTextDocument;
class QWidget;

namespace kvizor::richtext_access {

// What the main window does to its rich-text controls (the question and the variant
// texts), in one place.
void clear(QWidget* control);
void appendLine(QWidget* control, const QString& text);
QTextDocument* document(QWidget* control);
int zoom(const QWidget* control);
void setZoom(QWidget* control, int percent);
// Gives text written straight into the document the control's current zoom.
void contentChanged(QWidget* control);
void changeFontSize(QWidget* control, int delta);
void moveToStart(QWidget* control);
// Whether the widget is a task text: a rich-text control of the question and variants.
bool isTaskText(const QWidget* widget);
// The task text a widget belongs to (itself or the control whose viewport it is).
QWidget* taskTextOf(QWidget* widget);
void watchDoubleClicks(QWidget* control, QObject* filter);

} // namespace kvizor::richtext_access
