#include "ui/TestInfoForm.h"

#include "platform/DocumentOpener.h"
#include "ui/DesignedSize.h"
#include "ui/FontStandIns.h"

#include <QPushButton>
#include <QShowEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kvizor {

bool isOpenableLink(const QUrl& url)
{
    return platform::IsSafeLink(url);
}

bool openLinkIfAllowed(const QUrl& url)
{
    return platform::OpenLink(url);
}

TTestInfoForm::TTestInfoForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TestInfoForm"));
    setWindowTitle(QStringLiteral("Информация о тесте"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_info = new QTextBrowser(this);
    m_info->setObjectName(QStringLiteral("reInfo"));
    m_info->setOpenLinks(false);
    m_info->setOpenExternalLinks(false);
    m_info->setReadOnly(true);
    m_info->setUndoRedoEnabled(false);
    QFont font(TimesNewRomanFamily());
    font.setPixelSize(16);
    m_info->setFont(font);
    m_info->document()->setDefaultFont(font);
    QPalette palette = m_info->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    m_info->setPalette(palette);
    connect(m_info, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { openLinkIfAllowed(url); });

    auto* ok = new TDesigned<QPushButton>(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDesignedSize(QSize(0, 28));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_info);
    layout->addWidget(ok);
    resize(584, 364);
}

void TTestInfoForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && parentWidget() != nullptr)
        move(parentWidget()->window()->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace kvizor
