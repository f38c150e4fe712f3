#pragma once

#include <QDialog>

class QTextBrowser;
class QUrl;

namespace kvizor {

// Whether a link in a test's text may be handed to the desktop: web and mail only.
bool isOpenableLink(const QUrl& url);
// Opens an openable link with the desktop's default handler; others are ignored.
bool openLinkIfAllowed(const QUrl& url);

// "Информация о тесте": the test's information lines above an OK button.
class TTestInfoForm : public QDialog
{
    Q_OBJECT

public:
    explicit TTestInfoForm(QWidget* parent = nullptr);

    QTextBrowser* reInfo() const { return m_info; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTextBrowser* m_info;
};

} // namespace kvizor
