#include "ShowResultForm.h"

#include "common/TextFormats.h"
#include "results/Grade.h"
#include "results/ResultCharts.h"
#include "results/ResultTest.h"
#include "ui/DesignedSize.h"
#include "ui/FontStandIns.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

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

    // The counts: captions right-aligned against their values, as designed.
    auto* counts = new QGridLayout;
    counts->setHorizontalSpacing(scaled(6));
    counts->setVerticalSpacing(scaled(6));
    auto addCount = [&](int row, const char* caption, const QString& text, const char* value, int width) {
        counts->addWidget(label(caption, text, 12), row, 0, Qt::AlignRight | Qt::AlignVCenter);
        QLabel* shown = label(value, QStringLiteral("0"), 12, Qt::AlignRight | Qt::AlignVCenter);
        shown->setMinimumWidth(scaled(width));
        counts->addWidget(shown, row, 1);
        return shown;
    };
    m_countTask = addCount(0, "Label1", QStringLiteral("Всего заданий в тесте:"), "CountTaskLabel", 27);
    m_countAsk = addCount(1, "Label6", QStringLiteral("Всего заданий задано:"), "CountAskTaskLabel", 27);
    m_countCorrect = addCount(2, "Label3", QStringLiteral("Из них правильно:"), "CountCorrectTaskLabel", 27);
    m_result = addCount(3, "Label4", QStringLiteral("Результативность:"), "ResultLabel", 57);
    m_result->setText(QStringLiteral("0%"));

    m_yourScore = designedLabel("YourScore", 12, false, QSize(312, 38));

    auto* left = new QVBoxLayout;
    left->addLayout(counts);
    left->addStretch(1);
    left->addWidget(m_yourScore);

    // The two charts under their grey captions.
    auto* right = new QVBoxLayout;
    right->setSpacing(scaled(2));
    m_tasksChart = chart("Label2", QStringLiteral("Вопросы:"), "PaintBox", right);
    right->addSpacing(scaled(6));
    m_pointsChart = chart("Label5", QStringLiteral("Баллы:"), "PaintBox1", right);
    right->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addSpacing(scaled(8));
    top->addLayout(right);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);

    m_yourMark = designedLabel("YourMark", 14, true, QSize(412, 23));

    auto* ok = new TDesigned<QPushButton>(style()->standardIcon(QStyle::SP_DialogOkButton),
                                          QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDesignedSize(QSize(0, scaled(30)));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The window is its designed size, or larger where the texts need more: it follows
    // its contents whenever they change.
    auto* content = new TDesigned<QWidget>(this);
    content->setDesignedSize(QSize(scaled(kClientWidth), scaled(kClientHeight)));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(scaled(8), scaled(4), scaled(6), scaled(6));
    column->addLayout(top, 1);
    column->addWidget(bevel);
    column->addWidget(m_yourMark);
    column->addWidget(ok);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(content);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    m_tasksChart->setPainter([this](QPainter& painter, QSize size) {
        DrawTasksChart(painter, size, ChartShares(TaskCount, AskedCount, RightCount, Points, MaxPoints));
    });
    m_pointsChart->setPainter([this](QPainter& painter, QSize size) {
        DrawPointsChart(painter, size, ChartShares(TaskCount, AskedCount, RightCount, Points, MaxPoints));
    });
}

int TShowResultForm::scaled(int value) const
{
    return qRound(value * m_scale);
}

QLabel* TShowResultForm::label(const char* name, const QString& text, int pointSize, Qt::Alignment alignment)
{
    auto* l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setFont(formFont(pointSize));
    l->setAlignment(alignment);
    return l;
}

QLabel* TShowResultForm::designedLabel(const char* name, int pointSize, bool bold, QSize designed)
{
    auto* l = new TDesigned<QLabel>(this);
    l->setObjectName(QLatin1String(name));
    l->setFont(formFont(pointSize, bold));
    l->setAlignment(Qt::AlignCenter);
    l->setDesignedSize(QSize(scaled(designed.width()), scaled(designed.height())));
    setTextColour(l, kResultGreen);
    return l;
}

TPaintBox* TShowResultForm::chart(const char* captionName, const QString& caption, const char* name,
                                  QVBoxLayout* column)
{
    QLabel* title = label(captionName, caption, 8, Qt::AlignCenter);
    setTextColour(title, kCaptionGrey);
    column->addWidget(title);
    auto* box = new TPaintBox(this);
    box->setObjectName(QLatin1String(name));
    box->setFixedSize(scaled(kChartSide), scaled(kChartSide));
    column->addWidget(box, 0, Qt::AlignHCenter);
    return box;
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
