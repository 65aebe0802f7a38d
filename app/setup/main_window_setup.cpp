// MainWindow's setup items: the PSK/DSP and alarm setup windows, the "DSP Setup" button, the audio
// input window and the sound card input at start-up, the text colour items, and the
// background skin and remembered size items.

#include <QAction>
#include <QPointer>
#include <QToolButton>

#include "mainwindow/main_window.h"
#include "platform/dialogs.h"
#include "platform/font_names.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "setup/alarm_setup_window.h"
#include "setup/audio_input.h"
#include "setup/audio_input_window.h"
#include "setup/dsp_setup_window.h"
#include "setup/font_chooser_window.h"

namespace {

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

void MainWindow::connectSetupHandlers() {
    connect(menusetupdsp, &QAction::triggered, this, &MainWindow::menusetupdsp_Click);
    connect(Command3, &QToolButton::clicked, this, &MainWindow::Command3_Click);
    connect(menusetupalarm, &QAction::triggered, this, &MainWindow::menusetupalarm_Click);
    connect(menuaudioinput, &QAction::triggered, this, &MainWindow::menuaudioinput_Click);
    connect(menusetupfont, &QAction::triggered, this, &MainWindow::menusetupfont_Click);
    connect(menutextcol1, &QAction::triggered, this, &MainWindow::menutextcol1_Click);
    connect(menutextcol2, &QAction::triggered, this, &MainWindow::menutextcol2_Click);
    connect(menutextcol3, &QAction::triggered, this, &MainWindow::menutextcol3_Click);
    connect(menutextcol4, &QAction::triggered, this, &MainWindow::menutextcol4_Click);
    connect(menutextcol5, &QAction::triggered, this, &MainWindow::menutextcol5_Click);
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

void MainWindow::menusetupdsp_Click() {
    platform::ShowModeless(*this, dspSetupWindow_, [this] {
        return new DspSetupWindow(DspSetupServices{settings, dialogs, engine, tuning(), *Timer1,
                                                   *Timer2,
                                                   [this] { KVXmodules::SaveSettings(*this); }});
    });
}

void MainWindow::Command3_Click() {
    menusetupdsp_Click();
}

void MainWindow::menusetupalarm_Click() {
    platform::ShowModeless(*this, alarmSetupWindow_, [this] {
        return new AlarmSetupWindow(
            AlarmSetupServices{settings, dialogs, *Label2, [this] { AlarmWindow.clear(); }});
    });
}

void MainWindow::menusetupfont_Click() {
    platform::ShowModeless(*this, fontChooserWindow_, [this] {
        return new FontChooserWindow(
            FontChooserServices{settings, [this](const QString& name) {
                                    Text1->setFont(platform::FontNamed(Text1->font(), name));
                                }});
    });
}

FontChooserWindow* MainWindow::fontChooser() const {
    return platform::OpenWindow(fontChooserWindow_);
}

void MainWindow::chooseEditorFont(QWidget& owner, std::function<void(const QString&)> apply) {
    platform::ShowModeless(owner, editorFontChooser_, [this, &apply] {
        return new FontChooserWindow(FontChooserServices{settings, std::move(apply)});
    });
}

FontChooserWindow* MainWindow::notebookFontChooser() const {
    return platform::OpenWindow(editorFontChooser_);
}

void MainWindow::menuaudioinput_Click() {
    platform::ShowModeless(*this, audioInput_, [this] {
        return new AudioInputWindow(
            AudioInputServices{settings, dialogs, engine, soundCardSource()});
    });
}

DspSetupWindow* MainWindow::dspSetupWindow() const {
    return platform::OpenWindow(dspSetupWindow_);
}

AlarmSetupWindow* MainWindow::alarmSetupWindow() const {
    return platform::OpenWindow(alarmSetupWindow_);
}

AudioInputWindow* MainWindow::audioInputWindow() const {
    return platform::OpenWindow(audioInput_);
}

void MainWindow::menutextcol1_Click() {
    SetTextColorShemes(0);
}

void MainWindow::menutextcol2_Click() {
    SetTextColorShemes(1);
}

void MainWindow::menutextcol3_Click() {
    SetTextColorShemes(2);
}

void MainWindow::menutextcol4_Click() {
    SetTextColorShemes(3);
}

void MainWindow::menutextcol5_Click() {
    SetTextColorShemes(4);
}

void MainWindow::menusetupbackground_Click() {
    ToggleTicked(menusetupbackground, settings.BackgroundSkin);
    LoadBackgroundSkin();
}

void MainWindow::menuscreensize_Click() {
    // Acts at the next start; the size is written at every save whatever the setting.
    ToggleTicked(menuscreensize, settings.RememberScreenSize);
}

std::int32_t MainWindow::SoundCardInput() {
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
