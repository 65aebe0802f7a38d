#pragma once

// The picture window, the waterfall picture viewer: a window captioned "Waterfall Spectrum" whose
// only control, the picture box Picture1 at its top-left corner, takes the size of the picture
// loaded into it; the window then takes the picture box's size, so that it shows the picture and
// nothing around it (the window manager's frame is outside the window's size).
//
// The open command of the waterfall pictures shows the window, loads the chosen file and sets
// the caption to the file's path.

#include <QImage>
#include <QString>
#include <QWidget>

namespace platform {
class PictureBox;
}

class PictureWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit PictureWindow(QWidget* parent = nullptr);

    platform::PictureBox* Picture1 = nullptr;

    // Loads `picture` into Picture1: the box takes its size and shows it, then Picture1_Change
    // runs. A null picture empties the box, which keeps its size.
    void LoadPicture(const QImage& picture);
    // Loads a BMP, JPEG or PNG file into Picture1 as LoadPicture does. A file that cannot be read
    // as a picture changes nothing; the result says whether it was loaded.
    bool LoadPictureFile(const QString& path);

    // The picture of Picture1 changed: the window takes its size.
    void Picture1_Change();
};
