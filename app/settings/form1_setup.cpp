// Form1's setup items: the PSK/DSP and alarm setup windows, the "DSP Setup" button, the audio
// input window and the sound card input at start-up, the text colour items, and the
// background skin and remembered size items.

#include <QAction>
#include <QPointer>
#include <QToolButton>

#include "mainwindow/form1.h"
#include "platform/dialogs.h"
#include "platform/psk_engine.h"
#include "settings/audio_input.h"
#include "settings/audio_input_window.h"
#include "settings/form2.h"
#include "settings/form4.h"
#include "settings/settings_record.h"

namespace {

// The window while it is open; a closed one is on its way out.
template <class Window>
Window* OpenOnly(const QPointer<Window>& pointer) {
    if (Window* window = pointer.data(); window != nullptr && !window->isUnloaded()) {
        return window;
    }
    return nullptr;
}

// Shows the window `pointer` holds, loading a new one over the main window when none is
// open, and brings it to the front. A window of its own, not a child of the main window, so
// that it stays open when the main window closes; should the main window go first, it goes
// with it.
template <class Window>
void ShowModeless(Form1& form, QPointer<Window>& pointer) {
    Window* window = OpenOnly(pointer);
    if (window == nullptr) {
        window = new Window(form);
        pointer = window;
        QObject::connect(&form, &QObject::destroyed, window, [window] { delete window; });
        window->adjustSize();
        window->move(form.frameGeometry().center() - window->rect().center());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

// Toggles a ticked item and its flag by the tick as it stands.
void ToggleTicked(QAction* item, std::int16_t& flag) {
    if (item->isChecked()) {
        flag = KVXmodules::kFlagClear;
        item->setChecked(false);
    } else {
        flag = KVXmodules::kFlagSet;
        item->setChecked(true);
    }
}

}  // namespace

void Form1::connectSetupHandlers() {
    connect(menusetupdsp, &QAction::triggered, this, &Form1::menusetupdsp_Click);
    connect(Command3, &QToolButton::clicked, this, &Form1::Command3_Click);
    connect(menusetupalarm, &QAction::triggered, this, &Form1::menusetupalarm_Click);
    connect(menuaudioinput, &QAction::triggered, this, &Form1::menuaudioinput_Click);
    connect(menutextcol1, &QAction::triggered, this, &Form1::menutextcol1_Click);
    connect(menutextcol2, &QAction::triggered, this, &Form1::menutextcol2_Click);
    connect(menutextcol3, &QAction::triggered, this, &Form1::menutextcol3_Click);
    connect(menutextcol4, &QAction::triggered, this, &Form1::menutextcol4_Click);
    connect(menutextcol5, &QAction::triggered, this, &Form1::menutextcol5_Click);
    // The menu flips a ticked item before it reports the click; the handlers decide by the
    // tick as it was, so it is put back first.
    connect(menusetupbackground, &QAction::triggered, this, [this](bool checked) {
        menusetupbackground->setChecked(!checked);
        menusetupbackground_Click();
    });
    connect(menuscreensize, &QAction::triggered, this, [this](bool checked) {
        menuscreensize->setChecked(!checked);
        menuscreensize_Click();
    });
}

void Form1::menusetupdsp_Click() {
    ShowModeless(*this, form2_);
}

void Form1::Command3_Click() {
    menusetupdsp_Click();
}

void Form1::menusetupalarm_Click() {
    ShowModeless(*this, form4_);
}

void Form1::menuaudioinput_Click() {
    ShowModeless(*this, audioInput_);
}

Form2* Form1::dspSetupWindow() const {
    return OpenOnly(form2_);
}

Form4* Form1::alarmSetupWindow() const {
    return OpenOnly(form4_);
}

AudioInputWindow* Form1::audioInputWindow() const {
    return OpenOnly(audioInput_);
}

void Form1::menutextcol1_Click() {
    SetTextColorShemes(0);
}

void Form1::menutextcol2_Click() {
    SetTextColorShemes(1);
}

void Form1::menutextcol3_Click() {
    SetTextColorShemes(2);
}

void Form1::menutextcol4_Click() {
    SetTextColorShemes(3);
}

void Form1::menutextcol5_Click() {
    SetTextColorShemes(4);
}

void Form1::menusetupbackground_Click() {
    ToggleTicked(menusetupbackground, settings.BackgroundSkin);
    LoadBackgroundSkin();
}

void Form1::menuscreensize_Click() {
    // Acts at the next start; the size is written at every save whatever the setting.
    ToggleTicked(menuscreensize, settings.RememberScreenSize);
}

std::int32_t Form1::SoundCardInput() {
    if (settings.AudioInput.isEmpty() || !soundCardSource()) {
        return KVXmodules::kDefaultInputCard;
    }
    const auto device = KVXmodules::RememberedInput(engine.fnListInputDevices(), settings);
    if (device) {
        return device->card;
    }
    // The choice stays remembered: the device is used again once it is back.
    dialogs.msgBox(KVXmodules::MissingInputText(settings.AudioInput, settings.AudioInputHostApi),
                   platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                   QString::fromUtf16(KVXmodules::kAudioInputTitle));
    return KVXmodules::kDefaultInputCard;
}
