#pragma once

// Form3, the picture viewer: a window captioned "Waterfall Spectrum" whose only control, the
// picture box Picture1 at its top-left corner, takes the size of the picture loaded into it;
// the window then takes the picture box's size plus a frame allowance of 100 twips in width
// and 400 twips in height (window sizes in twips as the main window measures its own: the
// window with its contents, the window manager's decorations not counted).
//
// The open command of the waterfall pictures shows the window, loads the chosen file and sets
// the caption to the file's path.

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

namespace platform {
class PictureBox;
}

namespace receiver {

// The allowance the window adds around its picture box, in twips.
inline constexpr double kPictureWindowExtraWidthTwips = 100.0;
inline constexpr double kPictureWindowExtraHeightTwips = 400.0;

// The window size, in pixels, for a picture box of `pictureBox` pixels: its size in twips plus
// the allowance, back in whole pixels (rounded, halves to even).
QSize PictureWindowSize(QSize pictureBox) noexcept;

}  // namespace receiver

class Form3 final : public QWidget {
    Q_OBJECT
  public:
    explicit Form3(QWidget* parent = nullptr);

    platform::PictureBox* Picture1 = nullptr;

    // Loads `picture` into Picture1: the box takes its size and shows it, then Picture1_Change
    // runs. A null picture empties the box, which keeps its size.
    void LoadPicture(const QImage& picture);
    // Loads a BMP or JPEG file into Picture1 as LoadPicture does. A file that cannot be read
    // as a picture changes nothing; the result says whether it was loaded.
    bool LoadPictureFile(const QString& path);

    // The picture of Picture1 changed: the window frames it.
    void Picture1_Change();
};
