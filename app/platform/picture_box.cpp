#include "platform/picture_box.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <utility>

namespace platform {

namespace {

QImage BlankImage(QSize size, const QColor& color) {
    QImage image(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    image.fill(color);
    return image;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent, Border border) : QWidget(parent), border_(border) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    fitImage();
}

QImage& PictureBox::image() {
    fitImage();
    return image_;
}

const QImage& PictureBox::image() const {
    fitImage();
    return image_;
}

int PictureBox::borderWidth() const noexcept {
    return border_ == Border::Sunken3D ? kSunkenBorderWidth : 0;
}

QRect PictureBox::innerRect() const {
    const int b = borderWidth();
    return QRect(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}

void PictureBox::setBackColor(const QColor& color) {
    backColor_ = color;
    drawPicture();
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    drawPicture();
}

void PictureBox::drawPicture() {
    fitImage();
    image_.fill(backColor_);
    if (!picture_.isNull()) {
        QPainter painter(&image_);
        painter.drawImage(0, 0, picture_);
    }
    update();
}

void PictureBox::setPictureFromImage() {
    fitImage();
    // The picture it replaces is kept for recycling unless something else still holds it.
    spare_ = std::move(picture_);
    if (!spare_.isDetached()) {
        spare_ = QImage();
    }
    picture_ = image_;
}

QImage& PictureBox::imageForOverwrite() {
    fitImage();
    if (image_.isDetached()) {
        return image_;
    }
    if (spare_.size() == image_.size() && spare_.format() == image_.format() &&
        spare_.isDetached()) {
        image_ = std::move(spare_);
        spare_ = QImage();
    } else {
        image_ = QImage(image_.size(), image_.format());
    }
    return image_;
}

void PictureBox::clear() {
    fitImage();
    image_.fill(backColor_);
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect inner = innerRect();
    // Only what needs painting: an update of the drawing leaves the border alone.
    if (border_ == Border::Sunken3D && !inner.contains(event->rect())) {
        // Outer edge: shadow above and left, light below and right; inner edge darker.
        const QRect r = rect().adjusted(0, 0, -1, -1);
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        const QRect edge = r.adjusted(1, 1, -1, -1);
        painter.setPen(QColor(64, 64, 64));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(QColor(212, 208, 200));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
    const QRect exposed = event->rect() & inner;
    if (!exposed.isEmpty()) {
        painter.drawImage(exposed, image(), exposed.translated(-inner.topLeft()));
    }
}

void PictureBox::resizeEvent(QResizeEvent* /*event*/) {
    fitImage();
}

void PictureBox::fitImage() const {
    const QSize size = innerRect().size();
    if (size == image_.size()) {
        return;
    }
    QImage fitted = BlankImage(size, backColor_);
    if (!image_.isNull() && !fitted.isNull()) {
        QPainter painter(&fitted);
        painter.drawImage(0, 0, image_);
    }
    image_ = fitted;
}

QPoint PictureBox::innerPosition(const QMouseEvent& event) const {
    return event.position().toPoint() - innerRect().topLeft();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPoint p = innerPosition(*event);
    Q_EMIT mouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = innerPosition(*event);
    Q_EMIT mouseMove(event->buttons(), event->modifiers(), p.x(), p.y());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = innerPosition(*event);
    Q_EMIT mouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace platform
