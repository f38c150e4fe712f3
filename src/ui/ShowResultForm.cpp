#include "ShowResultForm.h"

#include "common/TextFormats.h"
#include "results/Grade.h"
#include "results/ResultCharts.h"
#include "results/ResultTest.h"
#include "ui/FontStandIns.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace kvizor {
namespace {

constexpr int kClientWidth = 428;
constexpr int kClientHeight = 291;
constexpr int kChartSide = 75;
const QColor kCaptionGrey(128, 128, 128);
const QColor kResultGreen(0, 128, 0);

QFont formFont(int pointSize, bool bold = false)
{
    QFont font(TahomaFamily());
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPaintBox::setPainter(Painter painter)
{
    m_painter = std::move(painter);
    update();
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!m_painter)
        return;
    QPainter painter(this);
    m_painter(painter, size());
}

TShowResultForm::TShowResultForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ShowResultForm"));
    setWindowTitle(QStringLiteral("Результаты тестирования"));
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
    setModal(true);
    setFont(formFont(8));
    // The layout is drawn for 96 dpi; a denser screen gets it scaled.
    const QScreen* screen = parent ? parent->screen() : this->screen();
    if (screen && screen->logicalDotsPerInchY() > 0)
        m_scale = screen->logicalDotsPerInchY() / 96.0;

    label("Label1", QStringLiteral("Всего заданий в тесте:"), 12, 56, 16);
    m_countTask =
        label("CountTaskLabel", QStringLiteral("0"), 12, 245, 16, 27, Qt::AlignRight | Qt::AlignVCenter);
    label("Label6", QStringLiteral("Всего заданий задано:"), 12, 56, 41);
    m_countAsk =
        label("CountAskTaskLabel", QStringLiteral("0"), 12, 245, 41, 27, Qt::AlignRight | Qt::AlignVCenter);
    label("Label3", QStringLiteral("Из них правильно:"), 12, 85, 66);
    m_countCorrect = label("CountCorrectTaskLabel", QStringLiteral("0"), 12, 245, 66, 27,
                           Qt::AlignRight | Qt::AlignVCenter);
    label("Label4", QStringLiteral("Результативность:"), 12, 84, 91);
    m_result = label("ResultLabel", QStringLiteral("0%"), 12, 238, 91, 57, Qt::AlignRight | Qt::AlignVCenter);

    setTextColour(label("Label2", QStringLiteral("Вопросы:"), 8, 348, 2), kCaptionGrey);
    m_tasksChart = new TPaintBox(this);
    m_tasksChart->setObjectName(QStringLiteral("PaintBox"));
    place(m_tasksChart, 334, 16, kChartSide, kChartSide);
    setTextColour(label("Label5", QStringLiteral("Баллы:"), 8, 355, 100), kCaptionGrey);
    m_pointsChart = new TPaintBox(this);
    m_pointsChart->setObjectName(QStringLiteral("PaintBox1"));
    place(m_pointsChart, 334, 114, kChartSide, kChartSide);

    m_yourScore = new QLabel(this);
    m_yourScore->setObjectName(QStringLiteral("YourScore"));
    m_yourScore->setFont(formFont(12));
    m_yourScore->setAlignment(Qt::AlignCenter);
    setTextColour(m_yourScore, kResultGreen);
    place(m_yourScore, 13, 133, 312, 38);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    place(bevel, 8, 195, 417, 2);

    m_yourMark = new QLabel(this);
    m_yourMark->setObjectName(QStringLiteral("YourMark"));
    m_yourMark->setFont(formFont(14, true));
    m_yourMark->setAlignment(Qt::AlignCenter);
    setTextColour(m_yourMark, kResultGreen);
    place(m_yourMark, 8, 214, 412, 23);

    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    place(ok, 6, 254, 417, 30);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    m_tasksChart->setPainter([this](QPainter& painter, QSize size) {
        DrawTasksChart(painter, size, ChartShares(TaskCount, AskedCount, RightCount, Points, MaxPoints));
    });
    m_pointsChart->setPainter([this](QPainter& painter, QSize size) {
        DrawPointsChart(painter, size, ChartShares(TaskCount, AskedCount, RightCount, Points, MaxPoints));
    });

    setFixedSize(scaled(kClientWidth), scaled(kClientHeight));
}

int TShowResultForm::scaled(int value) const
{
    return qRound(value * m_scale);
}

void TShowResultForm::place(QWidget* widget, int left, int top, int width, int height)
{
    const QSize hint = widget->sizeHint();
    const int w = width >= 0 ? scaled(width) : hint.width();
    const int h = height >= 0 ? scaled(height) : hint.height();
    widget->setGeometry(scaled(left), scaled(top), w, h);
}

QLabel* TShowResultForm::label(const char* name, const QString& text, int pointSize, int left, int top,
                               int width, Qt::Alignment alignment)
{
    auto* l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setFont(formFont(pointSize));
    l->setAlignment(alignment);
    place(l, left, top, width);
    return l;
}

void TShowResultForm::SetResult(const TResultTest& result)
{
    UserName = result.UserName;
    UserGroup = result.UserGroup;
    TaskCount = result.TaskCount;
    AskedCount = result.AskedCount;
    RightCount = result.RightCount;
    MarkValue = result.MarkValue;
    MaxPoints = result.MaxPoints;
    MarkName = result.MarkName;
    Points = result.Points;
}

void TShowResultForm::FillTexts()
{
    if (TaskCount <= 0)
        return;
    setWindowTitle(QStringLiteral("Результаты тестирования (%1)")
                       .arg((UserName + QLatin1Char(' ') + UserGroup).trimmed()));
    m_countTask->setText(QString::number(TaskCount));
    m_countAsk->setText(QString::number(AskedCount));
    m_countCorrect->setText(QString::number(RightCount));
    m_result->setText(formatOneDecimal(PercentOf(RightCount, TaskCount)) + QStringLiteral("%."));
    m_yourScore->setText(QStringLiteral("Набрано баллов: %1 из %2 возможных.\nВаш результат: %3%.")
                             .arg(formatOneDecimal(Points))
                             .arg(MaxPoints)
                             .arg(formatOneDecimal(PercentOf(Points, MaxPoints))));
    m_yourMark->setText(QStringLiteral("Ваша оценка: ") + MarkText(MarkValue, MarkName));
    m_tasksChart->update();
    m_pointsChart->update();
}

void TShowResultForm::showEvent(QShowEvent* event)
{
    FillTexts();
    QDialog::showEvent(event);
}

} // namespace kvizor
