#include "toolbar/ToolbarIcons.h"

#include "toolbar/ToolbarTable.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pelorin {

namespace {

constexpr int kSize = 24;
const QColor kInk(40, 60, 110);
const QColor kAccent(60, 140, 220);
const QColor kPaper(250, 250, 245);
const QColor kIconGreen(40, 150, 70);

QPixmap Draw(IconPainter draw) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(painter);
    return pixmap;
}

void Arrow(QPainter& p, bool right) {
    p.setBrush(kAccent);
    QPolygonF arrow({{4, 12}, {12, 4}, {12, 9}, {20, 9}, {20, 15}, {12, 15}, {12, 20}});
    if (right)
        arrow = QTransform(-1, 0, 0, 1, kSize, 0).map(arrow);
    p.drawPolygon(arrow);
}

} // namespace

namespace icon {

void Home(QPainter& p) {
    p.setBrush(kAccent);
    p.drawPolygon(QPolygonF({{3, 12}, {12, 3.5}, {21, 12}}));
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 12, 12, 9));
    p.setBrush(kInk);
    p.drawRect(QRectF(10.5, 15, 3, 6));
}

void Previous(QPainter& p) {
    Arrow(p, false);
}

void Next(QPainter& p) {
    Arrow(p, true);
}

void GetPicture(QPainter& p) {
    p.setBrush(kPaper);
    p.drawRect(QRectF(3, 5, 18, 14));
    p.setBrush(kIconGreen);
    p.drawPolygon(QPolygonF({{5, 17}, {10, 10}, {13, 14}, {15, 12}, {19, 17}}));
    p.setBrush(QColor(240, 190, 40));
    p.drawEllipse(QPointF(16.5, 8.5), 1.8, 1.8);
}

void Texts(QPainter& p) {
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{5, 2.5}, {15, 2.5}, {19.5, 7}, {19.5, 21.5}, {5, 21.5}}));
    for (double y : {8.0, 11.5, 15.0, 18.5})
        p.drawLine(QPointF(8, y), QPointF(17, y));
}

void Setpoints(QPainter& p) {
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(12, 13), 9, 9);
    for (int angle = 0; angle <= 180; angle += 45) {
        QTransform t;
        t.translate(12, 13);
        t.rotate(-angle);
        p.drawLine(t.map(QPointF(6.5, 0)), t.map(QPointF(8.5, 0)));
    }
    p.setPen(QPen(QColor(200, 50, 40), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 13), QPointF(17, 8));
}

void Send(QPainter& p) {
    p.setBrush(kAccent);
    QPainterPath plane;
    plane.moveTo(2.5, 11);
    plane.lineTo(21.5, 3);
    plane.lineTo(15, 21);
    plane.lineTo(11, 14);
    plane.closeSubpath();
    p.drawPath(plane);
    p.drawLine(QPointF(11, 14), QPointF(21.5, 3));
}

} // namespace icon

QIcon ToolbarIcon(std::string_view key) {
    const ToolbarEntry* entry = FindToolbarEntry(key);
    return entry && entry->icon ? QIcon(Draw(entry->icon)) : QIcon();
}

} // namespace pelorin
