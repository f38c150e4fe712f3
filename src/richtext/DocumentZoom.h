#pragma once

class QTextDocument;

namespace kvizor {

// Zoom of a document in percent, applied to the stored document: every character size,
// picture size, paragraph indent and fixed column width is set to its unzoomed value
// (kept in the format) times the percentage, so repeated changes never drift. Content
// added later without a kept value is taken as unzoomed.
void ApplyDocumentZoom(QTextDocument* document, int percent);
int DocumentZoom(const QTextDocument* document);
// A copy of the document (pictures included) at 100 percent, owned by the caller.
QTextDocument* CloneUnzoomed(const QTextDocument* document);

// Changes the size of every character by delta points, keeping the differences between
// mixed sizes; a 1-point character is never made smaller and no size drops below 1.
void ChangeDocumentFontSize(QTextDocument* document, int delta);

} // namespace kvizor
