#pragma once

// Light-weight controls without a drawing of their own: an image that shows a picture at its
// top-left corner (and takes the picture's size when asked to), and a label. Both have a
// transparent background and offer clicks and pointer movement as signals, positions in
// pixels from their top-left corner.

#include <QLabel>
#include <QPixmap>

namespace platform {

class ImageBox : public QLabel {
    Q_OBJECT
  public:
    explicit ImageBox(QWidget* parent = nullptr);

    // The picture shown; a null pixmap shows nothing.
    QPixmap picture() const { return pixmap(); }
    // Shows `picture`; with `resizeToPicture` the control takes its size, as an image control
    // that does not stretch does.
    void setPicture(const QPixmap& picture, bool resizeToPicture = false);

  Q_SIGNALS:
    void clicked();
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

class Label : public QLabel {
    Q_OBJECT
  public:
    explicit Label(const QString& caption = QString(), QWidget* parent = nullptr);

  Q_SIGNALS:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace platform
