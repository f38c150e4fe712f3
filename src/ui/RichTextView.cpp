#include "RichTextView.h"

#include "richtext/DocumentZoom.h"
#include "ui/FontStandIns.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace kvizor {

RichTextView::RichTextView(QWidget* parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                            Qt::LinksAccessibleByMouse);
    QFont font(TimesNewRomanFamily());
    font.setPointSize(12);
    font.setStyleHint(QFont::Serif);
    setFont(font);
    document()->setDefaultFont(font);
    connect(this, &QTextBrowser::anchorClicked, this, &RichTextView::openLink);
}

void RichTextView::setZoom(int percent)
{
    percent = std::max(1, percent);
    if (percent == m_zoom && DocumentZoom(document()) == percent)
        return;
    m_zoom = percent;
    applyZoom();
    Q_EMIT zoomChanged(m_zoom);
}

void RichTextView::applyZoom()
{
    ApplyDocumentZoom(document(), m_zoom);
}

void RichTextView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Paste)) {
        event->ignore();
        return;
    }
    if ((event->key() == Qt::Key_Insert && event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (event->key() == Qt::Key_Delete && event->modifiers() & Qt::ShiftModifier)) {
        event->ignore();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

void RichTextView::contextMenuEvent(QContextMenuEvent* event)
{
    event->ignore();
}

QMimeData* RichTextView::createMimeDataFromSelection() const
{
    // Nothing of the text reaches the clipboard, the selection buffer or a drag.
    return new QMimeData;
}

bool RichTextView::canInsertFromMimeData(const QMimeData*) const
{
    return false;
}

void RichTextView::insertFromMimeData(const QMimeData*) {}

void RichTextView::openLink(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (m_linksOpen && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                        scheme == QLatin1String("mailto")))
        QDesktopServices::openUrl(url);
}

} // namespace kvizor
