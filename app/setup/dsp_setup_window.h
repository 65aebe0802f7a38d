#pragma once

// The DSP setup window, "PSK/DSP Setup": a modeless window that edits the six DSP settings, the
// waterfall's detail/speed factor and the program timer interval. Its fields are filled once, when
// it loads; nothing reaches the settings record before "OK" or "Save Settings" has checked every
// field. Accepted values go to the record, the main window's receive timers and the engine;
// "Save Settings" also makes the working DSP values the ones every later save writes.
//
// The reading of the fields, the checks and the storing are in dsp_setup.h; this window shows
// the fields and carries the results out.

#include <functional>

#include "platform/setup_dialog.h"
#include "setup/dsp_setup.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class Dialogs;
class FormTimer;
class PskEngine;
class Tuning;
}  // namespace platform

// What the PSK/DSP setup works with. All of it outlives the window.
struct DspSetupServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::PskEngine& engine;
    platform::Tuning& tuning;            // the receive frequency goes to the engine through it
    platform::FormTimer& displayTimer;   // the main window's Timer1
    platform::FormTimer& textTimer;      // the main window's Timer2
    std::function<void()> saveSettings;  // writes the settings file as the main window does
};

class DspSetupWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    // Builds the window and loads it; not shown yet.
    explicit DspSetupWindow(DspSetupServices services);
    ~DspSetupWindow() override;
    DspSetupWindow(const DspSetupWindow&) = delete;
    DspSetupWindow& operator=(const DspSetupWindow&) = delete;

    // True once the window has closed: it is on its way out, and opening the setup again
    // loads a new one from the record.

    // ---- handlers ----
    void Form_Load();
    void Command1_Click();  // "OK"
    void Command2_Click();  // "Save Settings"
    void Command3_Click();  // "Cancel"
    void Command4_Click();  // "Default Settings"
    void Command5_Click();  // "PicFall Settings"

    // The fields as they stand.
    KVXmodules::DspFieldTexts fieldTexts() const;
    // The control of a field.
    QWidget* fieldControl(KVXmodules::DspField field) const;

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;  // "PSK DSP Settings"
    QLineEdit* Text1 = nullptr;   // RX audio center frequency
    QLineEdit* Text2 = nullptr;   // Sensitivity
    QComboBox* Combo1 = nullptr;  // Waterfall Smoothing, "1".."10"
    QLineEdit* Text3 = nullptr;   // FFT Data to search for peak
    QLineEdit* Text4 = nullptr;   // Squelch Treshold Range
    QCheckBox* Check1 = nullptr;  // "Squelch Response Low (noisy conditions)"
    QComboBox* Combo2 = nullptr;  // Waterfall Trail Speed, "0".."5"
    QLineEdit* Text5 = nullptr;   // Program Timer Interval

    QLabel* Label1 = nullptr;   // "RX audio center frequency"
    QLabel* Label2 = nullptr;   // "Sensitivity"
    QLabel* Label3 = nullptr;   // "Waterfall Smoothing"
    QLabel* Label4 = nullptr;   // "FFT Data to search for peak"
    QLabel* Label5 = nullptr;   // "Squelch Treshold Range"
    QLabel* Label6 = nullptr;   // "Waterfall Trail Speed"
    QLabel* Label7 = nullptr;   // "Program Timer Interval"
    QLabel* Label8 = nullptr;   // "Hz" beside the frequency
    QLabel* Label9 = nullptr;   // "Hz" beside the peak search
    QLabel* Label10 = nullptr;  // "ms." beside the timer interval

    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Save Settings"
    QPushButton* Command3 = nullptr;  // "Cancel"
    QPushButton* Command4 = nullptr;  // "Default Settings"
    QPushButton* Command5 = nullptr;  // "PicFall Settings"

  protected:
    void cancel() override { Command3_Click(); }

  private:
    void createControls();
    void connectHandlers();
    void showFields(const KVXmodules::DspFieldTexts& fields);
    // Checks, stores and passes on the fields, then closes; false when a field was refused.
    bool acceptFields();

    DspSetupServices services_;
};
