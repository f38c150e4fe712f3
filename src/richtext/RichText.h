#pragma once

#include <QString>

class QTextDocument;

namespace kvizor {

// Replaces the document's content by the text: as plain text when `plain` is set or the
// text is not RTF, else read as RTF. The text is a model string (Windows-1251 bytes as
// characters), as test files hold it.
void LoadRichTextDocument(QTextDocument* document, const QString& text, bool plain);

// The document as RTF (a model string), or its plain text when `plain` is set; empty
// when the document holds only blanks. Trimmed.
QString GetRichText(const QTextDocument* document, bool plain);

// Plain text of rich text: paragraphs and line breaks as line feeds, tabs kept, table
// cells separated by tabs, list bullets and numbers kept, pictures left out; trimmed.
// Text that is not RTF comes back trimmed.
QString RtfToPlainText(const QString& text);
QString DocumentToPlainText(const QTextDocument* document);

} // namespace kvizor
