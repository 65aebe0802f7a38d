#include "display/picture_window.h"

#include <QImageReader>

#include "platform/artwork.h"
#include "platform/picture_box.h"

PictureWindow::PictureWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Waterfall Spectrum"));
    setWindowIcon(artwork::ApplicationIcon());
    Picture1 = new platform::PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(0, 0);
}

void PictureWindow::LoadPicture(const QImage& picture) {
    if (!picture.isNull()) {
        Picture1->resize(picture.size());
    }
    Picture1->setPicture(picture);
    Picture1_Change();
}

bool PictureWindow::LoadPictureFile(const QString& path) {
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        return false;
    }
    LoadPicture(picture);
    return true;
}

void PictureWindow::Picture1_Change() {
    resize(Picture1->size());
}
