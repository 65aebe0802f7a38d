// MainWindow's receive handlers: the mode options.

#include <QRadioButton>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/psk_engine.h"
#include "settings/settings_record.h"

namespace {

using platform::kModeBpsk;
using platform::kModeQpskLsb;
using platform::kModeQpskUsb;

}  // namespace

void MainWindow::Option1_Click() {
    engine.fnSetRXPSKMode(kModeBpsk, 0);
    settings.PSKMode = kModeBpsk;
}

void MainWindow::Option2_Click() {
    engine.fnSetRXPSKMode(kModeQpskUsb, 0);
    settings.PSKMode = kModeQpskUsb;
}

void MainWindow::Option3_Click() {
    engine.fnSetRXPSKMode(kModeQpskLsb, 0);
    settings.PSKMode = kModeQpskLsb;
}

std::int32_t MainWindow::selectedMode() const {
    if (Option2->isChecked()) {
        return kModeQpskUsb;
    }
    if (Option3->isChecked()) {
        return kModeQpskLsb;
    }
    return kModeBpsk;
}
