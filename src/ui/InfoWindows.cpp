#include "ui/InfoWindows.h"

#include "platform/DocumentOpener.h"
#include "ui/UiResources.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <zlib.h>

#ifndef KVIZOR_VERSION
#define KVIZOR_VERSION "0"
#endif

namespace kvizor {

namespace {

void addOkButton(QDialog* dialog, QVBoxLayout* layout)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("bOK"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
}

// A read-only text whose links open outside only for the web and mail.
QTextBrowser* makeBrowser(QWidget* parent, const QString& html)
{
    auto* browser = new QTextBrowser(parent);
    browser->setOpenLinks(false);
    browser->setHtml(html);
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser,
                     [](const QUrl& url) { platform::OpenLink(url); });
    return browser;
}

} // namespace

QString licenseText()
{
    initUiResources();
    QFile file(QStringLiteral(":/kvizor/COPYING"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе"));
    const QString html =
        QStringLiteral("<h2>Kvizor Student</h2>"
                       "<p>Версия %1</p>"
                       "<p>Программа тестируемого: открывает тесты Kvizor (*.kvf), проводит "
                       "тестирование, проверяет ответы, выставляет оценку и сохраняет результаты.</p>"
                       "<p>Свободная программа: её можно распространять и изменять на условиях "
                       "GNU General Public License версии 2 или (по вашему выбору) любой более "
                       "поздней версии. Подробности в окне «Лицензия».</p>"
                       "<p>Используемые библиотеки:</p><ul>"
                       "<li>Qt %2 (GNU GPL v2)</li>"
                       "<li>zlib %3</li>"
                       "<li>libjpeg-turbo (через модуль изображений Qt)</li>"
                       "<li>libwmf (GNU LGPL v2+)</li>"
                       "<li>libemf2svg (GNU GPL v2)</li></ul>")
            .arg(QLatin1String(KVIZOR_VERSION), QLatin1String(qVersion()), QLatin1String(zlibVersion()));
    auto* layout = new QVBoxLayout(this);
    auto* text = makeBrowser(this, html);
    text->setObjectName(QStringLiteral("AboutText"));
    layout->addWidget(text);
    addOkButton(this, layout);
    resize(440, 360);
}

TLicenseForm::TLicenseForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LicenseForm"));
    setWindowTitle(QStringLiteral("Лицензия"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("Kvizor Student распространяется на условиях GNU General Public "
                                           "License версии 2 или (по вашему выбору) любой более поздней "
                                           "версии. Текст лицензии:"),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("LicenseText"));
    text->setReadOnly(true);
    text->setFont(QFont(QStringLiteral("monospace")));
    text->setPlainText(licenseText());
    layout->addWidget(text);
    addOkButton(this, layout);
    resize(640, 480);
}

TDonateForm::TDonateForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DonateForm"));
    setWindowTitle(QStringLiteral("Поддержать программу"));
    const QString html = QStringLiteral(
        "<h3>Как поддержать Kvizor Student</h3>"
        "<p>Программа свободная и бесплатная. Помочь ей можно так:</p><ul>"
        "<li>сообщайте об ошибках и неудобствах: что делали, что ожидали и что получилось;</li>"
        "<li>предлагайте улучшения и присылайте исправления исходного кода;</li>"
        "<li>помогайте с переводом, справкой и примерами тестов;</li>"
        "<li>рассказывайте о программе коллегам.</li></ul>"
        "<p>Спасибо, что пользуетесь программой!</p>");
    auto* layout = new QVBoxLayout(this);
    auto* text = makeBrowser(this, html);
    text->setObjectName(QStringLiteral("DonateText"));
    layout->addWidget(text);
    addOkButton(this, layout);
    resize(440, 300);
}

} // namespace kvizor
