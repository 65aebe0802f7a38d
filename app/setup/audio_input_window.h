#pragma once

// The audio input window, "Audio Input": a modeless window listing the machine's sound card inputs
// by name and host API, with the system's default input first, and the sound card's clock
// correction in ppm. Nothing changes before "OK": then the engine restarts its capture on the
// chosen input with the correction (the receiver keeps its state) and the settings record remembers
// both for the next run. An input that does not start is reported; the window stays open and
// the input in use stays. While a recording or the simulator feeds the engine, the choice is
// only remembered, for the runs that receive from the sound card.
//
// The rules are in audio_input.h.

#include <vector>

#include "platform/setup_dialog.h"
#include "pskmodem/sources/audio_source.h"
#include "setup/audio_input.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Dialogs;
class PskEngine;
}  // namespace platform

// What the audio input window works with. All of it outlives the window.
struct AudioInputServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::PskEngine& engine;
    bool soundCardSource = true;  // false while a recording or the simulator is the input
};

class AudioInputWindow final : public platform::SetupDialog {
    Q_OBJECT
  public:
    // Builds the window and loads it; not shown yet.
    explicit AudioInputWindow(const AudioInputServices& services);
    ~AudioInputWindow() override;
    AudioInputWindow(const AudioInputWindow&) = delete;
    AudioInputWindow& operator=(const AudioInputWindow&) = delete;

    // True once the window has closed; opening it again loads a new one.

    // ---- handlers ----
    void Form_Load();
    void Command1_Click();  // "OK"
    void Command2_Click();  // "Cancel"

    // What the window shows as chosen.
    KVXmodules::InputChoice choice() const;

    // ---- controls ----
    QGroupBox* Frame1 = nullptr;      // "Sound card input"
    QListWidget* List1 = nullptr;     // the default input, then every device
    QLabel* Label1 = nullptr;         // shown when the machine lists no input
    QGroupBox* Frame2 = nullptr;      // "Sample-rate correction"
    QLabel* Label2 = nullptr;         // "Sound card clock"
    QSpinBox* Spin1 = nullptr;        // correction, -5000..+5000 ppm
    QLabel* Label3 = nullptr;         // what the correction is for
    QLabel* Label4 = nullptr;         // shown while the engine does not capture from a card
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

  protected:
    void cancel() override { Command2_Click(); }

  private:
    void createControls();
    void connectHandlers();

    AudioInputServices services_;
    std::vector<pskmodem::InputDeviceInfo> devices_;  // row n + 1 of List1 is devices_[n]
};
