// Draws the quick guide's two pictures into a folder:
//
//     quorvin-guide-pictures FOLDER
//
// writes FOLDER/guide_band.png (a band of PSK31 stations) and FOLDER/guide_letters.png (letters
// written into the waterfall). tools/make_guide_pictures.sh runs it for the shipped pictures.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "guide_pictures.h"

namespace {

bool Write(const QImage& image, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "quorvin-guide-pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvin-guide-pictures FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool written =
        Write(guide::BandPicture(), folder, "guide_band.png") &&
        Write(guide::LetterPicture(QStringLiteral("73 DE QR9ZZ")), folder, "guide_letters.png");
    return written ? 0 : 1;
}
