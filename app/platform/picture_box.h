#pragma once

// A picture box whose drawing persists: it owns an image the size of its inner area, drawing
// goes to the image, and painting only shows the image. Around the inner area it may have a
// sunken 3-D border two pixels wide. Mouse events are offered as signals with positions in
// inner-area pixels.
//
// Besides the drawing (its Image) the box has a picture (its Picture): the background picture
// that setPicture gives it, or the drawing itself as setPictureFromImage took it. Changing the
// background colour clears the drawing to that colour and draws the picture over it again.

#include <QColor>
#include <QImage>
#include <QWidget>

namespace platform {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    enum class Border { None, Sunken3D };
    static constexpr int kSunkenBorderWidth = 2;

    explicit PictureBox(QWidget* parent = nullptr, Border border = Border::None);

    Border border() const noexcept { return border_; }
    int borderWidth() const noexcept;
    // The drawable area in the box's own coordinates.
    QRect innerRect() const;

    QColor backColor() const { return backColor_; }
    // Sets the background colour, clears the drawing to it and draws the picture again.
    void setBackColor(const QColor& color);

    // The persistent drawing, always the size of the inner area. Draw into it, then call
    // update() to show the change.
    QImage& image();
    const QImage& image() const;
    // Sets the picture and replaces the drawing with it: `picture` is drawn at the top-left
    // corner over the background colour; a null picture just clears.
    void setPicture(const QImage& picture);
    // The picture; null when there is none.
    const QImage& picture() const noexcept { return picture_; }
    // Picture := Image: the drawing as it stands becomes the picture (shared, not copied).
    void setPictureFromImage();
    // The drawing, for a caller that writes every pixel of it next (typically from picture()):
    // its pixels are left undefined. Where the drawing is shared with the picture, this
    // recycles the buffer of an earlier picture instead of copying, so that redrawing the box
    // from its picture at every tick costs one copy and no allocation.
    QImage& imageForOverwrite();
    // Clears the drawing to the background colour.
    void clear();

  Q_SIGNALS:
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void doubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // The drawing := the background colour with the picture over it.
    void drawPicture();
    QPoint innerPosition(const QMouseEvent& event) const;
    // Brings the drawing to the inner area's size, keeping what it holds; new area shows the
    // background colour. (A hidden widget learns of its new size only when shown, so the
    // drawing follows the geometry whenever it is used.)
    void fitImage() const;

    Border border_;
    QColor backColor_{Qt::white};
    mutable QImage image_;
    QImage picture_;
    QImage spare_;  // an earlier picture's buffer, for imageForOverwrite
};

}  // namespace platform
