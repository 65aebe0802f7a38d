// Form1's side of the locator calculator: the "Find Locator..." item opens Form6, modeless.

#include "locator/form6.h"
#include "mainwindow/form1.h"

void Form1::menufindlocat_Click() {
    Form6* form = locatorWindow();
    if (form == nullptr) {
        // A window of its own, not a child of the main window: it stays open when the main
        // window closes, and the program ends with the last window. Should the main window go
        // first, the calculator goes with it.
        form = new Form6(Form6Services{dialogs, programFolder()});
        form6_ = form;
        connect(this, &QObject::destroyed, form, [form] { delete form; });
    }
    form->show();
    form->raise();
    form->activateWindow();
}

Form6* Form1::locatorWindow() const {
    // A window that has been closed is on its way out; the calculator then loads afresh.
    if (Form6* form = form6_.data(); form != nullptr && !form->isUnloaded()) {
        return form;
    }
    return nullptr;
}
