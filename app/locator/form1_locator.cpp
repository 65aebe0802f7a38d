// Form1's side of the locator calculator: the "Find Locator..." item opens LocatorWindow, modeless.

#include "locator/locator_window.h"
#include "mainwindow/form1.h"
#include "platform/modeless_window.h"

void Form1::menufindlocat_Click() {
    platform::ShowModeless(
        *this, locatorWindow_,
        [this] {
            return new LocatorWindow(LocatorServices{dialogs, clipboard, programFolder()});
        },
        platform::Placement::ChosenBySystem);
}

LocatorWindow* Form1::locatorWindow() const {
    return platform::OpenWindow(locatorWindow_);
}
