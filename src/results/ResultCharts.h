#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>

class QPainter;

namespace kvizor {

class TResultTest;

inline const QColor kChartOutlineColor = QColor(70, 70, 70);
inline const QColor kChartRightColor = QColor(0, 220, 0);
inline const QColor kChartWrongColor = QColor(220, 0, 0);
inline const QColor kChartEmptyColor = QColor(255, 255, 255);

// The point the second radial of a wedge of `percent` passes through, in a W x H area:
// alpha = (p / 50 + 0.5) * pi, X = round((1 - cos alpha) * (W div 2)),
// Y = round((1 - sin alpha) * (H div 2)), halves rounded to even.
QPoint PieWedgePoint(int percent, QSize size);

// The whole ellipse inscribed in the area, filled and outlined.
void DrawPieEllipse(QPainter& painter, QSize size, const QColor& fill);
// A wedge from 12 o'clock clockwise through percent of the turn; 100 or more is the whole
// ellipse, 0 or less draws nothing.
void DrawPieWedge(QPainter& painter, QSize size, int percent, const QColor& fill);

// The whole percentages the charts draw.
struct TChartShares
{
    int Asked = 0;
    int Right = 0;
    int Points = 0;
};
TChartShares ChartShares(int taskCount, int askedCount, int rightCount, double points, int maxPoints);

// Tasks chart: white for tasks not presented, red for presented and not right, green for right.
void DrawTasksChart(QPainter& painter, QSize size, const TChartShares& shares);
// Points chart: red, with the share of points in green.
void DrawPointsChart(QPainter& painter, QSize size, const TChartShares& shares);

} // namespace kvizor
