#pragma once

#include <QTextBrowser>

namespace kvizor {

// The read-only rich-text control of task texts and the viewer. It offers no clipboard
// commands (no copy, cut, paste, drag or context menu) and detects no links by itself.
// Its zoom scales text and pictures exactly: the percentage is applied to the stored
// document's unzoomed sizes, so repeated changes never drift.
class RichTextView : public QTextBrowser
{
    Q_OBJECT

public:
    explicit RichTextView(QWidget* parent = nullptr);

    int zoom() const { return m_zoom; }
    // Sets the zoom (at least 1 percent) and applies it to the content.
    void setZoom(int percent);
    // Applies the current zoom to content loaded since the last call.
    void applyZoom();

    // Links of the text open on a click only when allowed, and only for http, https and mailto.
    void setLinksOpen(bool open) { m_linksOpen = open; }
    bool linksOpen() const { return m_linksOpen; }

Q_SIGNALS:
    void zoomChanged(int percent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void openLink(const QUrl& url);

    int m_zoom = 100;
    bool m_linksOpen = false;
};

} // namespace kvizor
