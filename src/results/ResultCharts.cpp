#include "ResultCharts.h"

#include "Grade.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cmath>
#include <numbers>

namespace kvizor {
namespace {

// The ellipse of an area as the classic pie call draws it: inside (0, 0)-(W, H), right
// and bottom edges excluded, so a 1-pixel outline covers the pixels 0 .. W-1.
QRectF ellipseRect(QSize size)
{
    return QRectF(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
}

QPointF centreOf(QSize size)
{
    return QPointF(size.width() / 2.0, size.height() / 2.0);
}

// Direction of a point seen from the centre, in degrees counter-clockwise from 3 o'clock.
double angleTo(QSize size, QPointF point)
{
    const QPointF c = centreOf(size);
    return std::atan2(c.y() - point.y(), point.x() - c.x()) * 180.0 / std::numbers::pi;
}

void preparePainter(QPainter& painter, const QColor& fill)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(kChartOutlineColor);
    pen.setWidth(1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(fill);
}

} // namespace

QPoint PieWedgePoint(int percent, QSize size)
{
    const double alpha = (percent / 50.0 + 0.5) * std::numbers::pi;
    const int halfW = size.width() / 2;
    const int halfH = size.height() / 2;
    return QPoint(RoundHalfEven((1.0 - std::cos(alpha)) * halfW),
                  RoundHalfEven((1.0 - std::sin(alpha)) * halfH));
}

void DrawPieEllipse(QPainter& painter, QSize size, const QColor& fill)
{
    painter.save();
    preparePainter(painter, fill);
    painter.drawEllipse(ellipseRect(size));
    painter.restore();
}

void DrawPieWedge(QPainter& painter, QSize size, int percent, const QColor& fill)
{
    if (percent <= 0)
        return;
    const QPoint first = PieWedgePoint(percent, size);
    const QPoint second(size.width() / 2, 0);
    const double from = angleTo(size, first);
    const double to = angleTo(size, second);
    // Counter-clockwise on screen from the first radial to the second; radials that meet
    // (a full turn) give the whole ellipse.
    double span = std::fmod(to - from, 360.0);
    if (span <= 1e-9)
        span += 360.0;
    if (percent >= 100 || span >= 360.0 - 1e-9) {
        DrawPieEllipse(painter, size, fill);
        return;
    }
    painter.save();
    preparePainter(painter, fill);
    const QRectF rect = ellipseRect(size);
    QPainterPath path;
    path.moveTo(rect.center());
    path.arcTo(rect, from, span);
    path.closeSubpath();
    painter.drawPath(path);
    painter.restore();
}

TChartShares ChartShares(int taskCount, int askedCount, int rightCount, double points, int maxPoints)
{
    TChartShares shares;
    shares.Asked = RoundHalfEven(PercentOf(askedCount, taskCount));
    shares.Right = RoundHalfEven(PercentOf(rightCount, taskCount));
    shares.Points = RoundHalfEven(PercentOf(points, maxPoints));
    return shares;
}

void DrawTasksChart(QPainter& painter, QSize size, const TChartShares& shares)
{
    DrawPieEllipse(painter, size, kChartEmptyColor);
    DrawPieWedge(painter, size, shares.Asked, kChartWrongColor);
    DrawPieWedge(painter, size, shares.Right, kChartRightColor);
}

void DrawPointsChart(QPainter& painter, QSize size, const TChartShares& shares)
{
    DrawPieEllipse(painter, size, kChartWrongColor);
    DrawPieWedge(painter, size, shares.Points, kChartRightColor);
}

} // namespace kvizor
