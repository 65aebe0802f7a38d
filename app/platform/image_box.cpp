#include "platform/image_box.h"

#include <QMouseEvent>

namespace platform {

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
}

void ImageBox::setPicture(const QPixmap& picture, bool resizeToPicture) {
    setPixmap(picture);
    if (resizeToPicture && !picture.isNull()) {
        resize(picture.deviceIndependentSize().toSize());
    }
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void ImageBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT mouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
    QLabel::mouseMoveEvent(event);
}

Label::Label(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace platform
