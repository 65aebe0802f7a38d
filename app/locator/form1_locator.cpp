// Form1's side of the locator calculator: the "Find Locator..." item opens Form6, modeless.

#include "locator/form6.h"
#include "mainwindow/form1.h"
#include "platform/modeless_window.h"

void Form1::menufindlocat_Click() {
    platform::ShowModeless(
        *this, form6_,
        [this] {
            return new Form6(Form6Services{dialogs, clipboard, programFolder()});
        },
        platform::Placement::ChosenBySystem);
}

Form6* Form1::locatorWindow() const {
    return platform::OpenWindow(form6_);
}
