#include "ui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace kora {
namespace {

// Every picture is drawn on a 16 x 16 grid; the painter is scaled to the pixmap size.
constexpr double kGrid = 16.0;

const QColor kInk(40, 40, 40);
const QColor kFolderFill(240, 200, 80);
const QColor kFolderEdge(160, 120, 20);
const QColor kArrowBlue(30, 90, 190);
const QColor kRunGreen(30, 150, 60);
const QColor kPaper(250, 250, 250);

QPen InkPen(double width, const QColor& colour = kInk)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawFolder(QPainter& p, bool open)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(InkPen(1, kFolderEdge));
    p.setBrush(kFolderFill.darker(110));
    p.drawPath(back);
    QPainterPath front;
    if (open) {
        front.moveTo(1.5, 13.5);
        front.lineTo(4, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13, 13.5);
    } else {
        front.addRect(QRectF(1.5, 6.5, 13, 7));
    }
    front.closeSubpath();
    p.setBrush(kFolderFill);
    p.drawPath(front);
}

// A filled arrow head pointing along (dx, dy) with its tip at the given point.
void DrawArrowHead(QPainter& p, QPointF tip, double dx, double dy, double size, const QColor& c)
{
    const double length = std::hypot(dx, dy);
    const double ux = dx / length;
    const double uy = dy / length;
    const QPointF base(tip.x() - ux * size, tip.y() - uy * size);
    const QPointF side(-uy * size * 0.7, ux * size * 0.7);
    QPolygonF head;
    head << tip << base + side << base - side;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head);
}

void DrawMoveUp(QPainter& p)
{
    DrawFolder(p, false);
    p.setPen(InkPen(1.8));
    p.drawLine(QPointF(8, 12), QPointF(8, 6.5));
    DrawArrowHead(p, QPointF(8, 3), 0, -1, 4, kInk);
}

void DrawRefresh(QPainter& p)
{
    p.setPen(InkPen(2, kRunGreen));
    p.setBrush(Qt::NoBrush);
    const QRectF circle(3, 3, 10, 10);
    p.drawArc(circle, 60 * 16, 280 * 16);
    // The arc ends at 60 degrees; its arrow head points along the turning direction there.
    const double a = 60.0 * std::numbers::pi / 180.0;
    const QPointF end(8 + 5 * std::cos(a), 8 - 5 * std::sin(a));
    DrawArrowHead(p, end + QPointF(1.8, 1.6), std::sin(a), std::cos(a), 4.5, kRunGreen);
}

void DrawItemSquare(QPainter& p, const QRectF& r)
{
    p.setPen(InkPen(0.8, kArrowBlue.darker(130)));
    p.setBrush(kArrowBlue.lighter(150));
    p.drawRect(r);
}

void DrawLargeIcons(QPainter& p)
{
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col) {
            DrawItemSquare(p, QRectF(2 + col * 7, 2 + row * 7, 5, 5));
        }
    }
}

void DrawSmallIcons(QPainter& p)
{
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            DrawItemSquare(p, QRectF(1.5 + col * 5, 1.5 + row * 5, 3, 3));
        }
    }
}

void DrawListView(QPainter& p)
{
    for (int row = 0; row < 4; ++row) {
        const double y = 2 + row * 3.5;
        DrawItemSquare(p, QRectF(1.5, y, 2.5, 2.5));
        p.setPen(InkPen(1));
        p.drawLine(QPointF(5.5, y + 1.25), QPointF(14, y + 1.25));
    }
}

void DrawReportView(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk.lighter(250));
    p.drawRect(QRectF(1, 1.5, 14, 2.5));
    for (int row = 0; row < 3; ++row) {
        const double y = 5.5 + row * 3.5;
        DrawItemSquare(p, QRectF(1.5, y, 2.5, 2.5));
        p.setPen(InkPen(1));
        p.drawLine(QPointF(5.5, y + 1.25), QPointF(9, y + 1.25));
        p.drawLine(QPointF(10.5, y + 1.25), QPointF(14.5, y + 1.25));
    }
}

void DrawGear(QPainter& p)
{
    p.save();
    p.translate(8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-1.4, -7.2, 2.8, 4));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 5, 5);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(0, 0), 2, 2);
    p.restore();
}

void DrawTerminal(QPainter& p)
{
    p.setPen(InkPen(1));
    p.setBrush(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    p.setPen(InkPen(1.4, QColor(60, 220, 60)));
    p.drawPolyline(QPolygonF{QPointF(4, 6), QPointF(6.5, 8), QPointF(4, 10)});
    p.drawLine(QPointF(8, 10.5), QPointF(11.5, 10.5));
}

void DrawRun(QPainter& p)
{
    QPolygonF triangle;
    triangle << QPointF(4, 2) << QPointF(14, 8) << QPointF(4, 14);
    p.setPen(InkPen(1, kRunGreen.darker(140)));
    p.setBrush(kRunGreen);
    p.drawPolygon(triangle);
}

void DrawCopyArrow(QPainter& p)
{
    QPolygonF arrow;
    arrow << QPointF(1, 6) << QPointF(8, 6) << QPointF(8, 2.5) << QPointF(15, 8) << QPointF(8, 13.5)
          << QPointF(8, 10) << QPointF(1, 10);
    p.setPen(InkPen(1, kArrowBlue.darker(150)));
    p.setBrush(kArrowBlue);
    p.drawPolygon(arrow);
}

std::function<void(QPainter&)> PainterFor(ToolIcon kind)
{
    switch (kind) {
    case ToolIcon::MoveUp:
        return DrawMoveUp;
    case ToolIcon::Refresh:
        return DrawRefresh;
    case ToolIcon::LargeIcons:
        return DrawLargeIcons;
    case ToolIcon::SmallIcons:
        return DrawSmallIcons;
    case ToolIcon::ListView:
        return DrawListView;
    case ToolIcon::ReportView:
        return DrawReportView;
    case ToolIcon::ConfigDevice:
        return DrawGear;
    case ToolIcon::Terminal:
        return DrawTerminal;
    case ToolIcon::OpenFolder:
        return [](QPainter& p) { DrawFolder(p, true); };
    case ToolIcon::RunUtility:
        return DrawRun;
    case ToolIcon::CopyToDevice:
        return DrawCopyArrow;
    }
    return [](QPainter&) {};
}

QPixmap RenderIcon(const std::function<void(QPainter&)>& draw, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    draw(painter);
    return pixmap;
}

} // namespace

QIcon MakeToolIcon(ToolIcon kind)
{
    const auto draw = PainterFor(kind);
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48}) {
        icon.addPixmap(RenderIcon(draw, size));
    }
    return icon;
}

} // namespace kora
