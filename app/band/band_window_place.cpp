#include "band/band_window_place.h"

#include <QPoint>
#include <algorithm>
#include <array>

namespace band {

namespace {

// `start` moved so that `length` from it lies within [low, high), as far as it can.
int Within(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

QRect BesideWindow(const QRect& owner, const QSize& size, const QRect& screen, int minimumHeight) {
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    const int ownerRight = owner.x() + owner.width();
    const int ownerBottom = owner.y() + owner.height();
    const int besideY = Within(owner.y(), size.height(), screen.y(), screenBottom);
    const int overX = Within(owner.x(), size.width(), screen.x(), screenRight);
    const std::array<QPoint, 4> sides{
        QPoint(ownerRight, besideY),                // right
        QPoint(owner.x() - size.width(), besideY),  // left
        QPoint(overX, ownerBottom),                 // below
        QPoint(overX, owner.y() - size.height()),   // above
    };
    for (const QPoint& corner : sides) {
        if (screen.contains(QRect(corner, size))) {
            return QRect(corner, size);
        }
    }
    const int roomAbove = owner.y() - screen.y();
    const int roomBelow = screenBottom - ownerBottom;
    if (std::max(roomAbove, roomBelow) >= minimumHeight) {
        return roomAbove >= roomBelow ? QRect(overX, screen.y(), size.width(), roomAbove)
                                      : QRect(overX, ownerBottom, size.width(), roomBelow);
    }
    return QRect(QPoint(overX, screen.y()), size);
}

}  // namespace band
