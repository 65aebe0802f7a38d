// Form1's receive handlers: the mode options.

#include <QRadioButton>

#include "mainwindow/form1.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/psk_engine.h"
#include "settings/settings_record.h"

namespace {

using platform::kModeBpsk;
using platform::kModeQpskLsb;
using platform::kModeQpskUsb;

}  // namespace

void Form1::Option1_Click() {
    engine.fnSetRXPSKMode(kModeBpsk, 0);
    settings.PSKMode = kModeBpsk;
}

void Form1::Option2_Click() {
    engine.fnSetRXPSKMode(kModeQpskUsb, 0);
    settings.PSKMode = kModeQpskUsb;
}

void Form1::Option3_Click() {
    engine.fnSetRXPSKMode(kModeQpskLsb, 0);
    settings.PSKMode = kModeQpskLsb;
}

std::int32_t Form1::selectedMode() const {
    if (Option2->isChecked()) {
        return kModeQpskUsb;
    }
    if (Option3->isChecked()) {
        return kModeQpskLsb;
    }
    return kModeBpsk;
}
