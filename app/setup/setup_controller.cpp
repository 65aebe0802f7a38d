#include "setup/setup_controller.h"

#include <QAction>
#include <QFont>
#include <QPalette>
#include <QPlainTextEdit>
#include <utility>

#include "platform/dialogs.h"
#include "platform/font_names.h"
#include "platform/form_timer.h"
#include "platform/modeless_window.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "settings/colour_schemes.h"
#include "settings/settings_keeper.h"
#include "settings/settings_record.h"
#include "setup/alarm_setup_window.h"
#include "setup/audio_input.h"
#include "setup/audio_input_window.h"
#include "setup/dsp_setup_window.h"
#include "setup/font_chooser_window.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

constexpr char16_t kResetQuestion[] =
    u"Are you sure to reset all Quorvin settings back to their default settings?";
constexpr char16_t kResetTitle[] = u"Reset values to default";
constexpr char16_t kCallPrompt[] = u"Enter your name or call sign:";
constexpr char16_t kCallTitle[] = u"Call sign";
constexpr char16_t kCallInvalid[] =
    u"The name or call you entered is invallid. It needs to be at least 3 characters long and "
    u"no longer then 20 characters.";
constexpr char16_t kCallInvalidTitle[] = u"Call sign invallid";
constexpr char16_t kSystemFont[] = u"system";

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// Toggles a ticked item and its flag by the tick as it stands.
void ToggleTicked(QAction& item, std::int16_t& flag) {
    if (item.isChecked()) {
        flag = KVXmodules::kFlagClear;
        item.setChecked(false);
    } else {
        flag = KVXmodules::kFlagSet;
        item.setChecked(true);
    }
}

void SetTextColours(QPlainTextEdit& text, const QColor& fore, const QColor& back) {
    QPalette palette = text.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, fore);
        palette.setColor(group, QPalette::Base, back);
    }
    text.setPalette(palette);
}

// A font name as the receive window takes it; a font that is not installed leaves the window's
// font as it is.
void SetFontName(QPlainTextEdit& text, const QString& name) {
    text.setFont(platform::FontNamed(text.font(), name));
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == u' ') {
        --end;
    }
    return text.sliced(begin, end - begin);
}

// Characters as the user sees them: a character outside the Basic Multilingual Plane counts
// once.
qsizetype CharacterCount(const QString& text) {
    return text.toUcs4().size();
}

}  // namespace

SetupController::SetupController(SetupServices services) : services_(std::move(services)) {}

SetupController::~SetupController() = default;

void SetupController::menusetupdsp_Click() {
    platform::ShowModeless(services_.owner, dspSetupWindow_, [this] {
        return new DspSetupWindow(DspSetupServices{
            services_.settings, services_.dialogs, services_.engine, services_.tuning,
            services_.displayTimer, services_.textTimer, [this] { services_.keeper.save(); }});
    });
}

void SetupController::Command3_Click() {
    menusetupdsp_Click();
}

void SetupController::menusetupalarm_Click() {
    platform::ShowModeless(services_.owner, alarmSetupWindow_, [this] {
        return new AlarmSetupWindow(AlarmSetupServices{services_.settings, services_.dialogs,
                                                       services_.alarmLabel,
                                                       services_.alarmStringsChanged});
    });
}

void SetupController::menusetupfont_Click() {
    platform::ShowModeless(services_.owner, fontChooserWindow_, [this] {
        return new FontChooserWindow(FontChooserServices{
            services_.settings, [this](const QString& name) {
                services_.text.setFont(platform::FontNamed(services_.text.font(), name));
            }});
    });
}

FontChooserWindow* SetupController::fontChooser() const {
    return platform::OpenWindow(fontChooserWindow_);
}

void SetupController::chooseEditorFont(QWidget& owner, std::function<void(const QString&)> apply) {
    platform::ShowModeless(owner, editorFontChooser_, [this, &apply] {
        return new FontChooserWindow(FontChooserServices{services_.settings, std::move(apply)});
    });
}

FontChooserWindow* SetupController::notebookFontChooser() const {
    return platform::OpenWindow(editorFontChooser_);
}

void SetupController::menuaudioinput_Click() {
    platform::ShowModeless(services_.owner, audioInput_, [this] {
        return new AudioInputWindow(AudioInputServices{
            services_.settings, services_.dialogs, services_.engine, services_.soundCardSource});
    });
}

DspSetupWindow* SetupController::dspSetupWindow() const {
    return platform::OpenWindow(dspSetupWindow_);
}

AlarmSetupWindow* SetupController::alarmSetupWindow() const {
    return platform::OpenWindow(alarmSetupWindow_);
}

AudioInputWindow* SetupController::audioInputWindow() const {
    return platform::OpenWindow(audioInput_);
}

void SetupController::menutextcol1_Click() {
    SetTextColorShemes(0);
}

void SetupController::menutextcol2_Click() {
    SetTextColorShemes(1);
}

void SetupController::menutextcol3_Click() {
    SetTextColorShemes(2);
}

void SetupController::menutextcol4_Click() {
    SetTextColorShemes(3);
}

void SetupController::menutextcol5_Click() {
    SetTextColorShemes(4);
}

void SetupController::menusetupbackground_Click() {
    ToggleTicked(services_.backgroundItem, services_.settings.BackgroundSkin);
    services_.backgroundChanged();
}

void SetupController::menuscreensize_Click() {
    // Acts at the next start; the size is written at every save whatever the setting.
    ToggleTicked(services_.screenSizeItem, services_.settings.RememberScreenSize);
}

std::int32_t SetupController::SoundCardInput() {
    if (services_.settings.AudioInput.isEmpty() || !services_.soundCardSource) {
        return KVXmodules::kDefaultInputCard;
    }
    const auto device =
        KVXmodules::RememberedInput(services_.engine.fnListInputDevices(), services_.settings);
    if (device) {
        return device->card;
    }
    // The choice stays remembered: the device is used again once it is back.
    services_.dialogs.msgBox(KVXmodules::MissingInputText(services_.settings.AudioInput,
                                                          services_.settings.AudioInputHostApi),
                             platform::MsgButtons::Ok, platform::MsgIcon::Exclamation,
                             QString::fromUtf16(KVXmodules::kAudioInputTitle));
    return KVXmodules::kDefaultInputCard;
}

void SetupController::menuwaterfallcol1_Click() {
    WaterfallColors(0);
}

void SetupController::menuwaterfallcol2_Click() {
    WaterfallColors(1);
}

void SetupController::menuwaterfallcol3_Click() {
    WaterfallColors(2);
}

void SetupController::menudefault_Click() {
    const MsgResult answer = services_.dialogs.msgBox(Text(kResetQuestion), MsgButtons::YesNoCancel,
                                                      MsgIcon::Question, Text(kResetTitle));
    if (answer == MsgResult::Yes) {
        services_.keeper.DefaultSet();
        services_.keeper.save();
    }
}

void SetupController::menuopcall_Click() {
    const QString call = services_.dialogs.inputBox(Text(kCallPrompt), Text(kCallTitle),
                                                    services_.settings.OperatorCall);
    if (call.isEmpty()) {
        return;
    }
    const qsizetype length = CharacterCount(call);
    if (length >= KVXmodules::kMinCallLength && length <= KVXmodules::kMaxCallLength) {
        services_.settings.OperatorCall = call;
        services_.setCaption(services_.settings.CaptionPrefix + services_.settings.OperatorCall);
    } else {
        services_.dialogs.msgBox(Text(kCallInvalid), MsgButtons::Ok, MsgIcon::Exclamation,
                                 Text(kCallInvalidTitle));
    }
}

void SetupController::menusetupsaveset_Click() {
    services_.keeper.save();
}

void SetupController::SetTextColorShemes(double scheme) {
    const auto& items = services_.textColourItems;
    for (QAction* item : items) {
        item->setChecked(false);
    }
    if (!KVXmodules::ApplyTextColorSheme(services_.settings, scheme)) {
        return;
    }
    items[static_cast<std::size_t>(services_.settings.TextColorSheme)]->setChecked(true);
    SetTextColours(services_.text, services_.settings.TextForeColor,
                   services_.settings.TextBackColor);
}

void SetupController::WaterfallColors(double palette) {
    const auto& items = services_.paletteItems;
    for (QAction* item : items) {
        item->setChecked(false);
    }
    if (!KVXmodules::ApplyWaterfallPalette(services_.settings, palette)) {
        return;
    }
    services_.waterfall.setBackColor(KVXmodules::EgaColor(services_.settings.WaterfallBackColor));
    items[static_cast<std::size_t>(*KVXmodules::WaterfallPaletteIndex(palette))]->setChecked(true);
}

void SetupController::showDefaults(const KVXmodules::SettingsRecord& record) {
    // Black on light yellow, until the colour scheme below replaces it.
    SetTextColours(services_.text, record.TextForeColor, record.TextBackColor);
    SetFontName(services_.text, record.Font);
    // Scheme 3: yellow on black.
    SetTextColorShemes(record.TextColorSheme);
    WaterfallColors(record.WaterfallColor);
    // The tick shows the setting as it now is.
    services_.screenSizeItem.setChecked(KVXmodules::IsSet(record.RememberScreenSize));
}

void SetupController::showLoaded(const KVXmodules::SettingsRecord& record) {
    SetTextColorShemes(record.TextColorSheme);
    WaterfallColors(record.WaterfallColor);
    // A font named in the file other than the system font.
    const QString font = TrimBlanks(record.Font);
    if (!font.isEmpty() && font.compare(Text(kSystemFont), Qt::CaseInsensitive) != 0) {
        SetFontName(services_.text, font);
    }
    services_.screenSizeItem.setChecked(KVXmodules::IsSet(record.RememberScreenSize));
}
