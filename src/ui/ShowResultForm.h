#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kvizor {

class TResultTest;

// A drawing area that paints itself through a function whenever it is painted.
class TPaintBox : public QWidget
{
    Q_OBJECT

public:
    using Painter = std::function<void(QPainter&, QSize)>;

    explicit TPaintBox(QWidget* parent = nullptr);
    void setPainter(Painter painter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Painter m_painter;
};

// The modal window with the outcome of a run: counts, effectiveness, points, grade and the
// tasks and points charts. One object serves every run; ShowResultWindow fills its fields
// just before showing it, and the texts are made when it is shown.
class TShowResultForm : public QDialog
{
    Q_OBJECT

public:
    explicit TShowResultForm(QWidget* parent = nullptr);

    // Copies the nine shown values from the run's record.
    void SetResult(const TResultTest& result);
    // Fills the caption and the texts from the fields (only when TaskCount > 0).
    void FillTexts();

    QString UserName;
    QString UserGroup;
    std::int32_t TaskCount = 0;
    std::int32_t AskedCount = 0;
    std::int32_t RightCount = 0;
    std::int32_t MarkValue = 0;
    std::int32_t MaxPoints = 0;
    QString MarkName;
    double Points = 0;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // A 96-dpi length scaled for the screen.
    int scaled(int value) const;
    QLabel* label(const char* name, const QString& text, int pointSize,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // A centred green result line at least as large as designed (96-dpi size).
    QLabel* designedLabel(const char* name, int pointSize, bool bold, QSize designed);
    // A chart under its grey caption, added to the column.
    TPaintBox* chart(const char* captionName, const QString& caption, const char* name, QVBoxLayout* column);

    double m_scale = 1.0;
    QLabel* m_countTask = nullptr;
    QLabel* m_countAsk = nullptr;
    QLabel* m_countCorrect = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_yourScore = nullptr;
    QLabel* m_yourMark = nullptr;
    TPaintBox* m_tasksChart = nullptr;
    TPaintBox* m_pointsChart = nullptr;
};

} // namespace kvizor
