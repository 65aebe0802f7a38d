#pragma once

// The Setup menu and what it opens: the PSK/DSP and alarm setup windows (also from the "DSP
// Setup" button), the font choosers of the receive window and of the notebook, the audio input
// window and the sound card input at start, the text colour schemes and waterfall palettes,
// the background skin and remembered size items, the call sign, and the settings' reset and
// save. Its share of the settings: the receive window's colours and font, the palette and the
// "Remember Screen Size" tick.

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "settings/colour_schemes.h"
#include "settings/settings_part.h"

class AlarmSetupWindow;
class AudioInputWindow;
class DspSetupWindow;
class FontChooserWindow;
class QAction;
class QPlainTextEdit;
class QWidget;

namespace KVXmodules {
class SettingsKeeper;
}
namespace platform {
class Dialogs;
class FormTimer;
class Label;
class PictureBox;
class PskEngine;
class Tuning;
}  // namespace platform

// What the setup works with; all of it outlives the controller.
struct SetupServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::PskEngine& engine;
    platform::Tuning& tuning;
    KVXmodules::SettingsKeeper& keeper;
    QWidget& owner;                     // the main window: the setup windows open over it
    QPlainTextEdit& text;               // Text1, the receive box: colours and font
    platform::PictureBox& waterfall;    // Picture1: the palette's background colour
    platform::Label& alarmLabel;        // Label2, which the alarm setup updates
    platform::FormTimer& displayTimer;  // Timer1
    platform::FormTimer& textTimer;     // Timer2
    std::array<QAction*, KVXmodules::kTextColorShemeCount> textColourItems;  // "Black on Yellow"..
    std::array<QAction*, KVXmodules::kWaterfallPaletteCount> paletteItems;   // waterfall colours
    QAction& backgroundItem;  // "Use Background Skin"
    QAction& screenSizeItem;  // "Remember Screen Size"
    // The engine captures from the sound card (see ReceiveServices::soundCardSource).
    bool soundCardSource = true;
    // The alarm strings changed: the alarm's search starts again.
    std::function<void()> alarmStringsChanged;
    // The background skin setting changed: the main window shows or hides its skin.
    std::function<void()> backgroundChanged;
    // The call sign changed: the main window's caption.
    std::function<void(const QString&)> setCaption;
};

class SetupController final : public KVXmodules::SettingsPart {
  public:
    explicit SetupController(SetupServices services);
    ~SetupController() override;
    SetupController(const SetupController&) = delete;
    SetupController& operator=(const SetupController&) = delete;

    // Each setup window opens modeless, or comes to the front when it is open already.
    void menusetupdsp_Click();    // "Setup PSK/DSP..." (DspSetupWindow)
    void Command3_Click();        // the "DSP Setup" button: as "Setup PSK/DSP..."
    void menusetupalarm_Click();  // "Setup PSK Alarm..." (AlarmSetupWindow)
    void menusetupfont_Click();
    // The font chooser while it is open.
    FontChooserWindow* fontChooser() const;
    // The notebook's font chooser (Fonts... of the notebook), over `owner`: the font taken there
    // goes to `apply` and to the editor's setting. It is its own window beside the receive
    // window's chooser.
    void chooseEditorFont(QWidget& owner, std::function<void(const QString&)> apply);
    // The notebook's font chooser while it is open.
    FontChooserWindow* notebookFontChooser() const;
    void menuaudioinput_Click();  // "Audio Input..."
    // The setup windows while they are open, else null.
    DspSetupWindow* dspSetupWindow() const;
    AlarmSetupWindow* alarmSetupWindow() const;
    AudioInputWindow* audioInputWindow() const;
    // The card the engine starts on: the remembered sound card input, or the system's default
    // input (0) when none is remembered or the remembered one is missing, which a message box
    // then says.
    std::int32_t SoundCardInput();

    void menutextcol1_Click();  // "Black on Yellow": scheme 0
    void menutextcol2_Click();  // "Black on White": scheme 1
    void menutextcol3_Click();  // "White on Blue": scheme 2
    void menutextcol4_Click();  // "Yellow on Black": scheme 3
    void menutextcol5_Click();  // "White on green": scheme 4
    void menuwaterfallcol1_Click();
    void menuwaterfallcol2_Click();
    void menuwaterfallcol3_Click();
    void SetTextColorShemes(double scheme);
    void WaterfallColors(double palette);
    // Decided by the item's tick as it stands when the handler runs.
    void menusetupbackground_Click();  // "Use Background Skin"
    void menuscreensize_Click();       // "Remember Screen Size"

    void menudefault_Click();
    void menuopcall_Click();
    void menusetupsaveset_Click();

    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    SetupServices services_;
    QPointer<DspSetupWindow> dspSetupWindow_;
    QPointer<AlarmSetupWindow> alarmSetupWindow_;
    QPointer<FontChooserWindow> fontChooserWindow_;
    QPointer<FontChooserWindow> editorFontChooser_;
    QPointer<AudioInputWindow> audioInput_;
};
