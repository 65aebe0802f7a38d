// MainWindow's side of the locator calculator: the "Find Locator..." item opens LocatorWindow,
// modeless.

#include "locator/locator_window.h"
#include "mainwindow/main_window.h"
#include "platform/modeless_window.h"

void MainWindow::menufindlocat_Click() {
    platform::ShowModeless(
        *this, locatorWindow_,
        [this] {
            return new LocatorWindow(LocatorServices{dialogs, clipboard, programFolder()});
        },
        platform::Placement::ChosenBySystem);
}

LocatorWindow* MainWindow::locatorWindow() const {
    return platform::OpenWindow(locatorWindow_);
}
