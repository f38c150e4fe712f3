#pragma once

#include <QString>

class QTextEdit;
class QWidget;

// The rich-text routines of the window code: loading, copying, saving and resizing the
// text of rich-text controls, and the modal viewer.
namespace kvizor {

class RichTextView;

// Replaces the control's content by the text: plain when `plain` is set (or the text is
// not RTF), else read as RTF. A RichTextView keeps its zoom for the new text.
void LoadRichText(const QString& text, QTextEdit* control, bool plain);
// Copies the content (formats, pictures, tables) and the selection of one control into another.
void CopyRichText(QTextEdit* source, QTextEdit* destination);
// The content as RTF, or as plain text when `plain` is set; empty for blank content.
QString GetRichText(const QTextEdit* control, bool plain);
// Changes every character's size by delta points (a 1-point character is never made
// smaller); the cursor goes to the start afterwards.
void ChangeRichTextFontSize(QTextEdit* control, int delta);

// Shows the text in a modal TTextViewForm ("Просмотр" unless a caption is given);
// true when closed with OK. Without a parent the window belongs to the application.
bool ShowRichTextViewer(const QString& richText, const QString& caption = {}, QWidget* parent = nullptr);
bool ShowRichEditViewer(QTextEdit* control, const QString& caption = {}, QWidget* parent = nullptr);

} // namespace kvizor
