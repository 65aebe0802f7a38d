// MainWindow's background skin: background.jpg from the program folder (or the one installed beside
// the program) behind the controls.

#include <QAction>
#include <QCoreApplication>
#include <QPixmap>

#include "mainwindow/background_skin.h"
#include "mainwindow/layout.h"
#include "mainwindow/main_window.h"
#include "platform/image_box.h"
#include "settings/settings_record.h"

void MainWindow::LoadBackgroundSkin() {
    if (KVXmodules::IsSet(settings.BackgroundSkin)) {
        // A missing or unreadable picture leaves the image as it was; it is shown all the same.
        const QPixmap picture(
            layout::BackgroundSkinFile(programFolder(), QCoreApplication::applicationDirPath()));
        if (!picture.isNull()) {
            img_Background->setPicture(picture, true);
        }
        // At the bottom right of the client area, where every resize puts it too.
        const layout::Position p = layout::BackgroundPosition(
            client->width(), client->height(), img_Background->width(), img_Background->height());
        img_Background->move(p.left, p.top);
        img_Background->show();
        menusetupbackground->setChecked(true);
    } else {
        img_Background->hide();
    }
}
