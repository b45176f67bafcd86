#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vimbo::artwork {

QPixmap logo()
{
    QPixmap picture(699, 122);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 122);
    sky.setColorAt(0, QColor(16, 40, 96));
    sky.setColorAt(1, QColor(40, 96, 168));
    painter.fillRect(picture.rect(), sky);

    // A spectrum trace across the logo, with six channel humps.
    QPainterPath trace;
    trace.moveTo(0, 100);
    for (int x = 0; x <= 699; ++x) {
        const double phase = std::fmod(x, 116.0) / 116.0;
        const double hump = phase > 0.2 && phase < 0.8 ? std::sin((phase - 0.2) / 0.6 * M_PI) : 0.0;
        trace.lineTo(x, 100 - 62 * std::pow(hump, 0.35) - 4 * std::sin(x * 0.9));
    }
    painter.setPen(QPen(QColor(120, 230, 140), 2));
    painter.drawPath(trace);

    // A probe: a box with an antenna, on the right.
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(QColor(230, 230, 230, 60));
    painter.drawRoundedRect(QRectF(600, 48, 78, 52), 6, 6);
    painter.drawLine(QPointF(639, 48), QPointF(639, 18));
    painter.drawLine(QPointF(624, 26), QPointF(654, 26));
    painter.drawLine(QPointF(629, 18), QPointF(649, 18));
    painter.setBrush(QColor(255, 60, 60));
    painter.drawEllipse(QPointF(618, 74), 6, 6);
    return picture;
}

QPixmap warningTriangle(bool yellow)
{
    QPixmap picture(32, 27);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF triangle;
    triangle << QPointF(16, 1.5) << QPointF(30.5, 25.5) << QPointF(1.5, 25.5);
    painter.setPen(QPen(QColor(40, 40, 40), 1.5));
    painter.setBrush(yellow ? QColor(255, 214, 0) : QColor(168, 168, 168));
    painter.drawPolygon(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 20));
    painter.drawRoundedRect(QRectF(14.5, 8, 3, 10), 1.2, 1.2);
    painter.drawEllipse(QPointF(16, 21.5), 1.8, 1.8);
    return picture;
}

QPixmap lineChartIcon()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 1.5));
    painter.drawLine(3, 3, 3, 21);
    painter.drawLine(3, 21, 22, 21);
    painter.setPen(QPen(QColor(0, 110, 220), 2));
    const QPointF points[] = {{4, 17}, {9, 11}, {13, 14}, {18, 6}, {22, 9}};
    painter.drawPolyline(points, 5);
    return picture;
}

QIcon instrumentIcon()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(QColor(235, 235, 225));
    painter.drawRoundedRect(QRectF(2, 4, 28, 24), 4, 4);
    // A meter dial with its needle.
    painter.setBrush(Qt::white);
    painter.drawPie(QRectF(6, 9, 20, 20), 30 * 16, 120 * 16);
    painter.setPen(QPen(QColor(220, 0, 0), 2));
    painter.drawLine(QPointF(16, 19), QPointF(21, 11));
    return QIcon(picture);
}

}  // namespace vimbo::artwork
