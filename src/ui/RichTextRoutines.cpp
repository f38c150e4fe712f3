#include "RichTextRoutines.h"

#include "richtext/DocumentZoom.h"
#include "richtext/RichText.h"
#include "RichTextView.h"
#include "TextViewForm.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QUrl>

#include <algorithm>

namespace kvizor {
namespace {

void reapplyZoom(QTextEdit* control)
{
    if (auto* view = qobject_cast<RichTextView*>(control))
        view->applyZoom();
}

void copyResources(const QTextDocument* from, QTextDocument* to)
{
    for (QTextBlock b = from->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            const QUrl name(f.toImageFormat().name());
            const QVariant resource = from->resource(QTextDocument::ImageResource, name);
            if (resource.isValid())
                to->addResource(QTextDocument::ImageResource, name, resource);
        }
    }
}

} // namespace

void LoadRichText(const QString& text, QTextEdit* control, bool plain)
{
    control->setUpdatesEnabled(false);
    LoadRichTextDocument(control->document(), text, plain);
    reapplyZoom(control);
    control->moveCursor(QTextCursor::Start);
    control->setUpdatesEnabled(true);
}

void CopyRichText(QTextEdit* source, QTextEdit* destination)
{
    if (source == destination)
        return;
    const QTextCursor selection = source->textCursor();
    const QTextDocument* from = source->document();
    QTextDocument* to = destination->document();
    destination->setUpdatesEnabled(false);
    to->clear();
    copyResources(from, to);
    if (!from->isEmpty()) {
        QTextCursor cursor(to);
        cursor.insertFragment(QTextDocumentFragment(from));
        // The fragment does not carry the first paragraph's own format.
        QTextCursor first(to);
        first.setBlockFormat(from->begin().blockFormat());
        first.setBlockCharFormat(from->begin().charFormat());
    }
    reapplyZoom(destination);
    QTextCursor cursor(to);
    const int end = std::max(0, to->characterCount() - 1);
    cursor.setPosition(std::min(selection.anchor(), end));
    cursor.setPosition(std::min(selection.position(), end), QTextCursor::KeepAnchor);
    destination->setTextCursor(cursor);
    destination->setUpdatesEnabled(true);
}

QString GetRichText(const QTextEdit* control, bool plain)
{
    return GetRichText(control->document(), plain);
}

void ChangeRichTextFontSize(QTextEdit* control, int delta)
{
    if (delta == 0)
        return;
    ChangeDocumentFontSize(control->document(), delta);
    control->moveCursor(QTextCursor::Start);
}

bool ShowRichTextViewer(const QString& richText, const QString& caption, QWidget* parent)
{
    TTextViewForm form(parent);
    LoadRichText(richText, form.viewer(), false);
    if (!caption.isEmpty())
        form.setWindowTitle(caption);
    return form.exec() == QDialog::Accepted;
}

bool ShowRichEditViewer(QTextEdit* control, const QString& caption, QWidget* parent)
{
    TTextViewForm form(parent);
    CopyRichText(control, form.viewer());
    if (!caption.isEmpty())
        form.setWindowTitle(caption);
    return form.exec() == QDialog::Accepted;
}

} // namespace kvizor
