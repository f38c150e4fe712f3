// From the confirming key to the next task painted, in the main window (offscreen).
//
//   bench_task_switch [rounds]
//
// One test holds a text task before each measured task: text tasks (single choice, number)
// and picture tasks (a place-on-image task with a 4000 x 3000 JPEG, a 2000 x 1500 PNG and a
// 1 MB WMF; a single-choice task with the 4000 x 3000 JPEG as its question picture). Each
// round runs the test once with the pictures of the next task prepared while the examinee
// looks at the current one (the program as it runs), and once without preparation (every
// picture decoded when its task is shown). Enter presses "Я не знаю..." (penalty mode), so
// no answer has to be given. The time runs from the key press to the end of the paint that
// shows the new task.
#include "../tests/richtext/Samples.h"

#include "model/TestFileWriter.h"
#include "richtext/Picture.h"
#include "run/RunOutputs.h"
#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/Prompts.h"
#include "ui/StudentMainForm.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

using namespace kvizor;

namespace {

class QuietPrompts : public Prompts
{
public:
    int messages = 0;

    void showMessage(const QString& text, const QString&, MessageIcon) override
    {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
    std::optional<QString> askPassword() override { return std::nullopt; }
    IdentificationResult identify(const IdentificationRequest&) override
    {
        return {true, QStringLiteral("Иванов Иван"), QStringLiteral("10 А")};
    }
    QString chooseTestFile(const QString&) override { return {}; }
    bool showRichText(const QString&, const QString&) override { return true; }
    bool showRichEditViewer(QWidget&, const QString&) override { return true; }
    int execDialog(QDialog&) override { return QDialog::Accepted; }
};

class NoOutputs : public IRunOutputs
{
};

enum Kind
{
    TextChoice,
    TextNumber,
    PointJpeg,
    QuestionJpeg,
    PointPng,
    PointWmf,
    KindCount
};

const char* const KindNames[KindCount] = {"text: single choice",
                                          "text: number",
                                          "JPEG 4000x3000, place on image",
                                          "JPEG 4000x3000, question picture",
                                          "PNG 2000x1500, place on image",
                                          "WMF 1 MB, place on image"};

// A photograph-like picture: smooth gradients under a scatter of soft discs.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(40, 90, 160));
    sky.setColorAt(1, QColor(220, 200, 140));
    painter.fillRect(image.rect(), sky);
    painter.setRenderHint(QPainter::Antialiasing);
    quint32 seed = 7;
    auto next = [&seed](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(bound));
    };
    for (int i = 0; i < 400; ++i) {
        QRadialGradient disc(next(width), next(height), 20 + next(200));
        disc.setColorAt(0, QColor(next(256), next(256), next(256), 200));
        disc.setColorAt(1, Qt::transparent);
        painter.setBrush(disc);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(disc.center(), disc.radius(), disc.radius());
    }
    painter.end();
    // Grain, so the picture compresses as a photograph does (a few megabytes as JPEG).
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = next(48) - 24;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + grain, 0, 255), std::clamp(qGreen(c) + grain, 0, 255),
                           std::clamp(qBlue(c) + grain, 0, 255));
        }
    }
    return image;
}

std::unique_ptr<TTask> textTask(int number)
{
    auto task = std::make_unique<TTask>(ttSingleChoice);
    task->Question =
        QStringLiteral("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times New Roman;}}\\f0\\fs24 "
                       "\\'c2\\'ee\\'ef\\'f0\\'ee\\'f1 %1: \\b \\'ea\\'e0\\'ea\\'ee\\'e9\\b0  "
                       "\\'e3\\'ee\\'f0\\'ee\\'e4 \\'f1\\'f2\\'ee\\'eb\\'e8\\'f6\\'e0?\\par "
                       "\\'c2\\'fb\\'e1\\'e5\\'f0\\'e8\\'f2\\'e5 \\'ee\\'e4\\'e8\\'ed.\\par}")
            .arg(number);
    const QStringList answers{QStringLiteral("Москва"), QStringLiteral("Париж"), QStringLiteral("Берлин"),
                              QStringLiteral("Рим")};
    for (int k = 0; k < answers.size(); ++k)
        task->Variants[static_cast<std::size_t>(k)] = answers.at(k);
    task->VariantValues[0] = 1;
    return task;
}

std::unique_ptr<TTask> measuredTask(Kind kind, int number, const QString& picture)
{
    if (kind == TextChoice)
        return textTask(number);
    if (kind == TextNumber) {
        auto task = std::make_unique<TTask>(ttNumber);
        task->Question = QStringLiteral("Сколько будет %1 + 1?").arg(number);
        task->NumberValue = number + 1;
        return task;
    }
    if (kind == QuestionJpeg) {
        auto task = textTask(number);
        task->ImageFile = picture;
        return task;
    }
    auto task = std::make_unique<TTask>(ttImagePoint);
    task->Question = QStringLiteral("Укажите место %1").arg(number);
    task->ImageFile = picture;
    task->AnswerRect = {10, 10, 100, 100};
    return task;
}

struct Switch
{
    Kind kind;
    // The widget whose paint shows the new task.
    QWidget* target;
};

// Remembers when the target widget has been painted.
class PaintWatch : public QObject
{
public:
    QWidget* target = nullptr;
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == target)
            painted = true;
        return false;
    }
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(std::ceil(p * double(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

void waitIdle(TMainWindowView& view, int milliseconds)
{
    // The examinee reads the task; pictures of the next one are prepared meanwhile.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds || view.picturesPending()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        if (clock.elapsed() > 20000)
            break;
    }
}

} // namespace

void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    qt_message_output(type, context, message);
}

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietOffscreen);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QTemporaryDir dir;
    std::printf("making the pictures...\n");
    std::fflush(stdout);
    const QByteArray jpeg = samples::jpeg(photo(4000, 3000));
    const QByteArray png = samples::png(photo(2000, 1500));
    const QByteArray wmf = samples::wmfShapes(1024 * 1024, 800, 600);
    std::printf("JPEG %lld bytes, PNG %lld bytes, WMF %lld bytes\n", qlonglong(jpeg.size()),
                qlonglong(png.size()), qlonglong(wmf.size()));
    // What one picture costs to decode, as a yardstick for the switching times.
    for (const auto& [name, bytes, format] :
         {std::tuple{"JPEG", jpeg, PictureFormat::Jpeg}, std::tuple{"PNG", png, PictureFormat::Png},
          std::tuple{"WMF", wmf, PictureFormat::Wmf}}) {
        QElapsedTimer clock;
        clock.start();
        QString error;
        const QImage image = DecodePicture(bytes, format, {}, &error);
        std::printf("decoding the %s: %.1f ms, %dx%d %s\n", name, double(clock.nsecsElapsed()) / 1e6,
                    image.width(), image.height(), qPrintable(error));
    }
    std::fflush(stdout);

    TTest test;
    test.Title = QStringLiteral("Смена заданий");
    test.PenaltyMode = true;
    TTaskList tasks;
    std::vector<TWriterFile> files;
    std::vector<Kind> order;
    const int perKind = 3;
    for (int repeat = 0; repeat < perKind; ++repeat) {
        for (int k = TextNumber; k < KindCount; ++k) {
            const Kind kind = Kind(k);
            tasks.push_back(textTask(int(tasks.size()) + 1));
            order.push_back(TextChoice);
            QString picture;
            if (kind == PointJpeg || kind == QuestionJpeg || kind == PointPng || kind == PointWmf) {
                const char* suffix = kind == PointPng ? "png" : kind == PointWmf ? "wmf" : "jpg";
                picture = QStringLiteral("p%1.%2").arg(tasks.size()).arg(QLatin1String(suffix));
                files.push_back({picture, kind == PointPng ? png : kind == PointWmf ? wmf : jpeg, {}});
            }
            tasks.push_back(measuredTask(kind, int(tasks.size()) + 1, picture));
            order.push_back(kind);
        }
    }
    const QString path = dir.filePath(QStringLiteral("switch.kvf"));
    WriteTestFileToPath(path, test, tasks, files);

    QuietPrompts prompts;
    NoOutputs outputs;
    TStudentMainForm::Options options;
    options.programFolder = dir.path();
    options.prompts = &prompts;
    options.runOutputs = &outputs;
    TStudentMainForm form(options);
    form.Config.IsShowUserResult = true; // no closing message box
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    TMainWindowView& view = form.runView();

    // The question is painted in the viewport of its text control.
    QWidget* questionArea = form.QuestionText->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
    PaintWatch watch;
    app.installEventFilter(&watch);
    std::map<std::pair<bool, int>, std::vector<double>> times;
    std::map<std::pair<bool, int>, int> failures;

    for (int round = 0; round < rounds * 2; ++round) {
        const bool prepared = round % 2 == 0;
        view.setPicturePreparation(prepared);
        if (form.RunState() == rsTestLoaded)
            form.closeTest();
        form.LoadTest(path);
        form.updateCommands(); // "Начать тест" is enabled when the program goes idle
        QTest::keyClick(&form, Qt::Key_F5);
        waitIdle(view, 50);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const Kind kind = order[i];
            watch.target = kind == PointJpeg || kind == PointPng || kind == PointWmf
                               ? view.imageArea()->image()
                           : kind == QuestionJpeg ? form.QuestionImage
                                                  : questionArea;
            watch.painted = false;
            QWidget* focus = QApplication::focusWidget();
            const int messages = prompts.messages;
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(focus != nullptr ? focus : &form, Qt::Key_Return);
            while (!watch.painted && prompts.messages == messages && clock.elapsed() < 20000)
                QApplication::processEvents(QEventLoop::AllEvents);
            if (watch.painted)
                times[{prepared, kind}].push_back(double(clock.nsecsElapsed()) / 1e6);
            else
                ++failures[{prepared, kind}]; // a picture that could not be drawn in its time bound
            waitIdle(view, 30);
        }
        QTest::keyClick(&form, Qt::Key_Return); // the last task
        waitIdle(view, 10);
    }
    app.removeEventFilter(&watch);

    std::printf("\n%-36s %24s %24s\n", "task shown", "prepared: median / p95", "unprepared: median / p95");
    for (int k = 0; k < KindCount; ++k) {
        const auto& ready = times[{true, k}];
        const auto& cold = times[{false, k}];
        std::printf("%-36s %11.1f / %6.1f ms %12.1f / %6.1f ms   (n=%zu/%zu", KindNames[k],
                    percentile(ready, 0.5), percentile(ready, 0.95), percentile(cold, 0.5),
                    percentile(cold, 0.95), ready.size(), cold.size());
        const int failed = failures[{true, k}] + failures[{false, k}];
        std::printf(failed > 0 ? ", %d not shown)\n" : ")\n", failed);
    }
    form.close();
    return 0;
}
