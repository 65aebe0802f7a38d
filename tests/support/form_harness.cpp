#include "support/form_harness.h"

#include <QApplication>

namespace testing_support {

FormHarness::FormHarness() : previousCurrent_(QDir::currentPath()) {}

FormHarness::~FormHarness() {
    form_.reset();
    QDir::setCurrent(previousCurrent_);
}

MainWindow& FormHarness::create() {
    form_ = std::make_unique<MainWindow>(MainWindowServices{
        settings, dialogs, clipboard, engine, programFolder_, &sound, true, &programs, printer});
    return *form_;
}

MainWindow& FormHarness::load() {
    create().Form_Load();
    return *form_;
}

MainWindow& FormHarness::show() {
    load().show();
    processEvents();
    return *form_;
}

void processEvents() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

}  // namespace testing_support
