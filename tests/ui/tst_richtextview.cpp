#include "common/Cp1251.h"
#include "support/TestEnvironment.h"
#include "ui/FontStandIns.h"
#include "ui/RichTextRoutines.h"
#include "ui/RichTextView.h"
#include "ui/TextViewForm.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextTable>
#include <QTimer>

using namespace kvizor;

namespace {

QString rtf(const char* body)
{
    return QStringLiteral(
               "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times New Roman;}}\\f0\\fs24 ") +
           QLatin1String(body) + QStringLiteral("\\par}");
}

QString pictureRtf()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("{\\rtf1 pic {\\pict\\pngblip\\picw40\\pich20 ") +
           QString::fromLatin1(png.toHex()) +
           QStringLiteral("}\\par\\trowd\\cellx1500\\cellx3000\\pard\\intbl a\\cell b\\cell\\row\\pard end}");
}

double sizeAt(const QTextEdit& view, const QString& text)
{
    const QTextCursor found = view.document()->find(text);
    QTextCursor c(view.document());
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat().fontPointSize();
}

// Runs check on the modal dialog once it is open, then closes it as close says.
void whenModal(std::function<void(TTextViewForm*)> check)
{
    QTimer::singleShot(0, [check] {
        auto* form = qobject_cast<TTextViewForm*>(QApplication::activeModalWidget());
        QVERIFY(form);
        check(form);
    });
}

} // namespace

class TestRichTextView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noClipboardCommands();
    void zoomIsExact();
    void loadKeepsZoom();
    void loadPlainFlag();
    void copyRichText();
    void changeFontSize();
    void getRichText();
    void viewerForm();
    void windowFontFamilies_data();
    void windowFontFamilies();
    void viewerZoomKeys();
    void mouseReleaseFocusesOk();
    void showRichTextViewer();
    void showRichEditViewer();
    void screenshot();
};

void TestRichTextView::noClipboardCommands()
{
    RichTextView view;
    LoadRichText(rtf("secret answer"), &view, false);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    view.selectAll();
    view.copy();
    QVERIFY(!QApplication::clipboard()->text().contains(QStringLiteral("secret")));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(view.toPlainText(), QStringLiteral("secret answer"));
    QCOMPARE(view.contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(view.isReadOnly());
    QVERIFY(!view.openLinks());
}

void TestRichTextView::zoomIsExact()
{
    RichTextView view;
    LoadRichText(rtf("{\\fs21 odd}{\\fs24 even}"), &view, false);
    for (int i = 0; i < 25; ++i)
        view.setZoom(view.zoom() + 10);
    for (int i = 0; i < 33; ++i)
        view.setZoom(view.zoom() - 5);
    QCOMPARE(view.zoom(), 185);
    view.setZoom(100);
    QCOMPARE(sizeAt(view, QStringLiteral("odd")), 10.5);
    QCOMPARE(sizeAt(view, QStringLiteral("even")), 12.0);
    view.setZoom(120);
    QCOMPARE(sizeAt(view, QStringLiteral("odd")), 12.6);
}

void TestRichTextView::loadKeepsZoom()
{
    RichTextView view;
    view.setZoom(150);
    QSignalSpy spy(&view, &RichTextView::zoomChanged);
    LoadRichText(rtf("{\\fs24 text}"), &view, false);
    QCOMPARE(sizeAt(view, QStringLiteral("text")), 18.0);
    view.setZoom(150);
    QCOMPARE(spy.count(), 0);
    LoadRichText(rtf("{\\fs20 next}"), &view, false);
    QCOMPARE(sizeAt(view, QStringLiteral("next")), 15.0);
}

void TestRichTextView::loadPlainFlag()
{
    RichTextView view;
    const QString text = rtf("\\b bold");
    LoadRichText(text, &view, true);
    QCOMPARE(view.toPlainText(), text);
    LoadRichText(text, &view, false);
    QCOMPARE(view.toPlainText(), QStringLiteral("bold"));
    LoadRichText(QStringLiteral("just text"), &view, false);
    QCOMPARE(view.toPlainText(), QStringLiteral("just text"));
}

void TestRichTextView::copyRichText()
{
    RichTextView source;
    source.setZoom(200);
    LoadRichText(pictureRtf(), &source, false);
    QTextCursor selection(source.document());
    selection.setPosition(1);
    selection.setPosition(3, QTextCursor::KeepAnchor);
    source.setTextCursor(selection);

    RichTextView destination;
    destination.setZoom(50);
    CopyRichText(&source, &destination);
    QCOMPARE(destination.toPlainText(), source.toPlainText());
    QCOMPARE(destination.textCursor().anchor(), 1);
    QCOMPARE(destination.textCursor().position(), 3);
    QCOMPARE(sizeAt(destination, QStringLiteral("pic")), 6.0);
    QCOMPARE(sizeAt(source, QStringLiteral("pic")), 24.0);

    int images = 0;
    for (QTextBlock b = destination.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            ++images;
            QCOMPARE(f.toImageFormat().width(), 20.0);
            const QVariant res = destination.document()->resource(QTextDocument::ImageResource,
                                                                  QUrl(f.toImageFormat().name()));
            QVERIFY(!res.value<QImage>().isNull());
        }
    }
    QCOMPARE(images, 1);
    bool table = false;
    for (QTextFrame* f : destination.document()->rootFrame()->childFrames())
        table = table || qobject_cast<QTextTable*>(f);
    QVERIFY(table);
}

void TestRichTextView::changeFontSize()
{
    RichTextView view;
    LoadRichText(rtf("{\\fs2 tiny}{\\fs20 ten}{\\fs30 fifteen}"), &view, false);
    view.moveCursor(QTextCursor::End);
    ChangeRichTextFontSize(&view, -1);
    QCOMPARE(sizeAt(view, QStringLiteral("tiny")), 1.0);
    QCOMPARE(sizeAt(view, QStringLiteral("ten")), 9.0);
    QCOMPARE(sizeAt(view, QStringLiteral("fifteen")), 14.0);
    QCOMPARE(view.textCursor().position(), 0);
    QVERIFY(!view.textCursor().hasSelection());
    ChangeRichTextFontSize(&view, 2);
    QCOMPARE(sizeAt(view, QStringLiteral("tiny")), 3.0);
    QCOMPARE(sizeAt(view, QStringLiteral("fifteen")) - sizeAt(view, QStringLiteral("ten")), 5.0);
}

void TestRichTextView::getRichText()
{
    RichTextView view;
    QCOMPARE(GetRichText(&view, false), QString());
    LoadRichText(rtf("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 {\\b world}"), &view, false);
    QCOMPARE(GetRichText(&view, true), QStringLiteral("Привет world"));
    const QString written = GetRichText(&view, false);
    QVERIFY(written.startsWith(QStringLiteral("{\\rtf1")));
    RichTextView again;
    LoadRichText(written, &again, false);
    QCOMPARE(again.toPlainText(), QStringLiteral("Привет world"));
}

void TestRichTextView::windowFontFamilies_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("standIns");
    QTest::addColumn<QString>("chosen");
    const QString installed = QStringLiteral("DejaVu Sans");
    const QString missing = QStringLiteral("Kvizor No Such Font");
    const QString missingToo = QStringLiteral("Kvizor No Such Font Either");
    QTest::newRow("installed original wins")
        << installed << QStringList{QStringLiteral("Liberation Serif")} << installed;
    QTest::newRow("first installed stand-in") << missing << QStringList{missingToo, installed} << installed;
    QTest::newRow("nothing installed: the name stays") << missing << QStringList{missingToo} << missing;
    QTest::newRow("no stand-ins") << missing << QStringList() << missing;
}

// The window asks for the Windows font where installed, else for the first installed
// stand-in, so it never asks for a family that is missing while another would do.
void TestRichTextView::windowFontFamilies()
{
    QFETCH(QString, family);
    QFETCH(QStringList, standIns);
    QFETCH(QString, chosen);
    QVERIFY2(QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")), "the set-up installs DejaVu Sans");
    QCOMPARE(InstalledFamily(family, standIns), chosen);
}

void TestRichTextView::viewerForm()
{
    TTextViewForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Просмотр"));
    QCOMPARE(form.viewer()->objectName(), QStringLiteral("Viewer"));
    QCOMPARE(form.okButton()->objectName(), QStringLiteral("bbOK"));
    QCOMPARE(form.okButton()->text(), QStringLiteral("OK"));
    QCOMPARE(form.minimumSize(), QSize(300, 200));
    // The designed 25 pixels, or what the button's font needs.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.okButton()->height() >= 25);
    QCOMPARE(form.okButton()->height(), form.okButton()->sizeHint().height());
    QCOMPARE(form.viewer()->font().family(), TimesNewRomanFamily());
    QCOMPARE(form.viewer()->font().pointSize(), 12);
    QSignalSpy accepted(&form, &QDialog::accepted);
    form.okButton()->click();
    QCOMPARE(accepted.count(), 1);
}

void TestRichTextView::viewerZoomKeys()
{
    TTextViewForm form;
    LoadRichText(rtf("{\\fs24 text}"), form.viewer(), false);
    for (int i = 0; i < 4; ++i)
        QTest::keyClicks(form.viewer(), QStringLiteral("+"));
    QCOMPARE(form.viewer()->zoom(), 120);
    QCOMPARE(sizeAt(*form.viewer(), QStringLiteral("text")), 14.4);
    QTest::keyClicks(form.viewer(), QStringLiteral("-"));
    QCOMPARE(form.viewer()->zoom(), 115);
    QCOMPARE(form.viewer()->toPlainText(), QStringLiteral("text"));
    for (int i = 0; i < 40; ++i)
        QTest::keyClicks(form.viewer(), QStringLiteral("-"));
    QCOMPARE(form.viewer()->zoom(), 10);
    // Also when the button has the focus.
    QTest::keyClicks(form.okButton(), QStringLiteral("+"));
    QCOMPARE(form.viewer()->zoom(), 15);
}

void TestRichTextView::mouseReleaseFocusesOk()
{
    TTextViewForm form;
    LoadRichText(rtf("click here"), form.viewer(), false);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    form.viewer()->setFocus();
    QTest::mouseClick(form.viewer()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(form.okButton()->hasFocus());
}

void TestRichTextView::showRichTextViewer()
{
    bool seen = false;
    whenModal([&seen](TTextViewForm* form) {
        seen = true;
        QCOMPARE(form->windowTitle(), QStringLiteral("Пояснение к ответу"));
        QCOMPARE(form->viewer()->toPlainText(), QStringLiteral("Да"));
        form->okButton()->click();
    });
    QVERIFY(ShowRichTextViewer(kvizor::cp1251::decode(rtf("\\'c4\\'e0").toLatin1()),
                               QStringLiteral("Пояснение к ответу")));
    QVERIFY(seen);

    whenModal([](TTextViewForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Просмотр"));
        form->reject();
    });
    QVERIFY(!ShowRichTextViewer(QStringLiteral("plain"), QString()));
}

void TestRichTextView::showRichEditViewer()
{
    RichTextView control;
    LoadRichText(rtf("{\\b report} body"), &control, false);
    whenModal([](TTextViewForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Отчет по прохождению теста"));
        QCOMPARE(form->viewer()->toPlainText(), QStringLiteral("report body"));
        QTest::keyClick(form->okButton(), Qt::Key_Return);
    });
    QVERIFY(ShowRichEditViewer(&control, QStringLiteral("Отчет по прохождению теста")));
}

// Saves a picture of the viewer showing the RTF file named by KVIZOR_SCREENSHOT_RTF into
// KVIZOR_SCREENSHOT_PNG, for looking at real samples.
void TestRichTextView::screenshot()
{
    const QString input = qEnvironmentVariable("KVIZOR_SCREENSHOT_RTF");
    const QString output = qEnvironmentVariable("KVIZOR_SCREENSHOT_PNG");
    if (input.isEmpty() || output.isEmpty())
        QSKIP("set KVIZOR_SCREENSHOT_RTF and KVIZOR_SCREENSHOT_PNG to take a screenshot");
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadOnly));
    TTextViewForm form;
    form.resize(800, 600);
    LoadRichText(kvizor::cp1251::decode(file.readAll()), form.viewer(), false);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.grab().save(output));
}

KVIZOR_TEST_MAIN(TestRichTextView)
#include "tst_richtextview.moc"
