#include "platform/artwork.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace artwork {

namespace {

constexpr double kHzPerPixel = 5.867;
// The frequencies written on the scale strip.
constexpr int kScaleDigitsPixelSize = 8;

// A PSK31 trace: the idle signal's two-tone envelope across `rect`.
void DrawTrace(QPainter& painter, const QRectF& rect, const QColor& color, double width) {
    QPainterPath path;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double x = rect.left() + t * rect.width();
        const double envelope = std::abs(std::cos(std::numbers::pi * 2.0 * t));
        const double y = rect.center().y() -
                         envelope * std::sin(std::numbers::pi * 16.0 * t) * rect.height() / 2.0;
        if (i == 0) {
            path.moveTo(x, y);
        } else {
            path.lineTo(x, y);
        }
    }
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

QImage TransparentImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QImage ProgramLogo(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(0, 0, 120));
    sky.setColorAt(1.0, QColor(0, 0, 40));
    painter.fillRect(image.rect(), sky);
    DrawTrace(painter, QRectF(4, size.height() * 0.62, size.width() - 8, size.height() * 0.45),
              QColor(255, 230, 0), 1.2);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(std::max(8, size.height() * 2 / 5));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(QRect(0, 2, size.width(), size.height() / 2 + 4), Qt::AlignCenter,
                     QStringLiteral("Quorvin"));
    painter.end();
    return image;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int side : {16, 32, 48, 64, 128}) {
        QImage image = TransparentImage(QSize(side, side));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = side;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 110));
        painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s / 6, s / 6);
        DrawTrace(painter, QRectF(s * 0.1, s * 0.3, s * 0.8, s * 0.45), QColor(255, 230, 0),
                  std::max(1.0, s / 20));
        painter.setPen(QPen(QColor(255, 255, 255), std::max(1.0, s / 24)));
        painter.drawLine(QPointF(s * 0.1, s * 0.82), QPointF(s * 0.9, s * 0.82));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QImage RadarBackground() {
    constexpr int kSide = 44;
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(QColor(0, 0, 0));
    painter.drawEllipse(QRectF(1.5, 1.5, kSide - 3, kSide - 3));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(0, 70, 0));
    painter.drawLine(22, 5, 22, 38);
    painter.drawLine(5, 22, 38, 22);
    painter.setPen(QColor(160, 220, 0));
    painter.drawLine(21, 3, 23, 3);
    painter.drawLine(22, 3, 22, 6);
    painter.drawLine(21, 40, 23, 40);
    painter.drawLine(22, 37, 22, 40);
    painter.end();
    return image;
}

QImage ScaleStrip(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(212, 208, 200));
    QPainter painter(&image);
    painter.setPen(QColor(0, 0, 0));
    for (int hz = 100; hz / kHzPerPixel < size.width(); hz += 100) {
        const int x = static_cast<int>(std::lround(hz / kHzPerPixel));
        const int length = hz % 500 == 0 ? 7 : 3;
        painter.drawLine(x, size.height() - 1 - length, x, size.height() - 1);
    }
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);

    // The frequency of each long tick beside it, where the "50Hz" and "3000Hz" labels at the
    // strip's two ends leave room; below the strip's top rows, which the receive text covers
    // in the large-waterfall screen.
    constexpr int kDigitsTop = 5;
    constexpr int kLeftLabelRoom = 30;
    constexpr int kRightLabelRoom = 42;
    QFont digits = painter.font();
    digits.setPixelSize(kScaleDigitsPixelSize);
    painter.setFont(digits);
    painter.setPen(QColor(0, 0, 0));
    const QFontMetrics metrics(digits);
    for (int hz = 500; hz / kHzPerPixel < size.width(); hz += 500) {
        const QString text = QString::number(hz);
        const int x = static_cast<int>(std::lround(hz / kHzPerPixel));
        const int width = metrics.horizontalAdvance(text);
        const int left = x + 2;
        if (left >= kLeftLabelRoom && left + width <= size.width() - kRightLabelRoom) {
            painter.drawText(QPoint(left, kDigitsTop + metrics.ascent()), text);
        }
    }
    painter.end();
    return image;
}

QImage FrequencyMarker(QSize size, int pointerTop, int pointerHeight) {
    QImage image = TransparentImage(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(96, 0, 0), 1));
    painter.setBrush(QColor(255, 0, 0));
    const double w = size.width();
    const double top = pointerTop;
    const double bottom = pointerTop + pointerHeight - 1;
    const QPolygonF pointer{
        {QPointF(0.5, top + 0.5), QPointF(w - 0.5, top + 0.5), QPointF(w / 2.0, bottom)}};
    painter.drawPolygon(pointer);
    painter.end();
    return image;
}

QIcon CommandIcon(ButtonIcon which) {
    constexpr int kSide = 20;
    QImage image = TransparentImage(QSize(kSide, kSide));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(40, 40, 40), 1.0);
    painter.setPen(outline);
    const auto floppy = [&painter](const QColor& body) {
        painter.setBrush(body);
        painter.drawRect(QRectF(2.5, 2.5, 15, 15));
        painter.setBrush(QColor(240, 240, 240));
        painter.drawRect(QRectF(5.5, 2.5, 9, 6));
        painter.setBrush(QColor(90, 90, 90));
        painter.drawRect(QRectF(6.5, 11.5, 7, 6));
    };
    const auto folder = [&painter]() {
        painter.setBrush(QColor(230, 190, 60));
        painter.drawPolygon(
            QPolygonF{{QPointF(1.5, 5.5), QPointF(7.5, 5.5), QPointF(9.5, 7.5), QPointF(18.5, 7.5),
                       QPointF(18.5, 16.5), QPointF(1.5, 16.5)}});
    };
    const auto waterfall = [&painter](const QRectF& r) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, QColor(255, 255, 255));
        g.setColorAt(1.0, QColor(0, 0, 255));
        painter.setBrush(g);
        painter.drawRect(r);
    };
    switch (which) {
        case ButtonIcon::Save:
            floppy(QColor(40, 80, 200));
            break;
        case ButtonIcon::Open:
            folder();
            break;
        case ButtonIcon::Setup:
            for (int i = 0; i < 3; ++i) {
                const double x = 4.5 + i * 5.5;
                painter.drawLine(QPointF(x, 2.5), QPointF(x, 17.5));
                painter.setBrush(QColor(200, 40, 40));
                painter.drawRect(QRectF(x - 2, 4.5 + i * 4.0, 4, 3));
            }
            break;
        case ButtonIcon::Copy:
            painter.setBrush(QColor(255, 255, 255));
            painter.drawRect(QRectF(2.5, 2.5, 10, 12));
            waterfall(QRectF(7.5, 6.5, 10, 12));
            break;
        case ButtonIcon::Clear:
            waterfall(QRectF(2.5, 2.5, 15, 15));
            painter.setPen(QPen(QColor(220, 0, 0), 2.0));
            painter.drawLine(QPointF(5, 5), QPointF(15, 15));
            painter.drawLine(QPointF(15, 5), QPointF(5, 15));
            break;
        case ButtonIcon::SavePicture:
            floppy(QColor(0, 0, 255));
            break;
        case ButtonIcon::LoadPicture:
            folder();
            waterfall(QRectF(8.5, 9.5, 9, 7));
            break;
    }
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace artwork
