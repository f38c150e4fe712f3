#include "ScreenFixture.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

using namespace kvizor;

QByteArray pngPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ScreenWindow::ScreenWindow(const TestSetup& setup, const std::vector<TWriterFile>& files, bool realOutputs,
                           const Adjust& adjust)
{
    TTest test;
    test.Title = QStringLiteral("Проверка экрана");
    TTaskList tasks;
    if (setup)
        setup(test, tasks);
    const QString path = m_dir.filePath(QStringLiteral("screen.kvf"));
    WriteTestFileToPath(path, test, tasks, files);

    TStudentMainForm::Options options;
    options.programFolder = m_dir.path();
    options.prompts = &prompts;
    if (!realOutputs)
        options.runOutputs = &outputs;
    options.realTimers = false;
    if (adjust)
        adjust(options);
    m_window = std::make_unique<TStudentMainForm>(options);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->LoadTest(path);
    prompts.userNameForm = new TInputUserNameForm(m_window.get(), &prompts);
    prompts.identifyScript = identifyAs(QStringLiteral("Иванов Иван"), QStringLiteral("10 А"));
}

ScreenWindow::~ScreenWindow()
{
    m_window->close();
}

void ScreenWindow::idle()
{
    // The event loop waits once, which runs the window's update rule.
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

void ScreenWindow::begin()
{
    idle();
    QTest::keyClick(m_window.get(), Qt::Key_F5);
    // The window is active again once the identification dialog has gone.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    idle();
}

void ScreenWindow::key(QChar ch)
{
    QWidget* target = QApplication::focusWidget();
    typeText(target != nullptr ? target : m_window.get(), QString(ch));
}
