// Form1's background skin: background.jpg from the program folder behind the controls.

#include <QAction>
#include <QDir>
#include <QPixmap>

#include "mainwindow/form1.h"
#include "platform/image_box.h"
#include "settings/settings_record.h"

void Form1::LoadBackgroundSkin() {
    if (KVXmodules::isSet(settings.BackgroundSkin)) {
        // A missing or unreadable picture leaves the image as it was; it is shown all the same.
        const QPixmap picture(QDir(programFolder()).filePath(QStringLiteral("background.jpg")));
        if (!picture.isNull()) {
            img_Background->setPicture(picture, true);
        }
        img_Background->show();
        menusetupbackground->setChecked(true);
    } else {
        img_Background->hide();
    }
}
