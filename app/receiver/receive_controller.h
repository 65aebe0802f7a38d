#pragma once

// The receive path: the engine's start (InitPSK, with the engine's window procedure installed
// before it) and stop, the receive mode options, and the tuning that every part of the program
// uses (platform::Tuning): one owner sends frequency, search range and mode to the engine.
//
// Selecting a mode option, by a click or by code, runs its click handler, which tells the
// engine; the main window connects the options' `toggled` signals here. The speed is chosen with
// the ticked items of the Options menu's Speed submenu, beside the options.

#include <array>
#include <cstdint>
#include <functional>

#include "platform/receiver_buffers.h"
#include "platform/tuning.h"
#include "platform/window_proc.h"
#include "settings/engine_tuning.h"
#include "settings/settings_part.h"

class QAction;
class QCheckBox;
class QRadioButton;

namespace platform {
class Dialogs;
class FormTimer;
class RigDial;
class PskEngine;
}  // namespace platform
namespace pskmodem {
class MessageSink;
}

// What the receive controller works with; all of it outlives the controller.
struct ReceiveServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::PskEngine& engine;
    pskmodem::MessageSink& messageSink;  // where the engine posts its messages
    // Installs a window procedure and returns the one it replaces.
    std::function<platform::WindowProc(platform::WindowProc)> setWindowProc;
    platform::FormTimer& displayTimer;  // Timer1
    platform::FormTimer& textTimer;     // Timer2
    QRadioButton& bpsk;                 // Option1 "BPSK"
    QRadioButton& qpskUsb;              // Option2 "QPSK usb"
    QRadioButton& qpskLsb;              // Option3 "QPSK lsb"
    QCheckBox& stopDecode;              // Check1 "Stop Decode"
    // The engine captures from the sound card; false while a recording or the simulator feeds
    // it, which has no sound card clock to correct.
    bool soundCardSource = true;
    // The card the engine starts on.
    std::function<std::int32_t()> startCard;
    // The engine opens the sound card again, lost or never opened (true), or audio flows (false).
    std::function<void(bool reopening)> soundCardStatus;
    // The rig's dial: on its lower sideband the engine receives QPSK on the other sideband than
    // the option names, which is the sideband on the air. None: no rig.
    const platform::RigDial* rigDial = nullptr;
    // Options > Speed: "PSK31", "PSK63", "PSK125", "PSK250", in the order of pskmodem::Speed.
    std::array<QAction*, 4> speedItems{};
    // The mode and speed received now, for the caption, after every change of either.
    std::function<void(pskmodem::Mode mode, pskmodem::Speed speed)> showMode;
};

class ReceiveController final : public platform::Tuning, public KVXmodules::SettingsPart {
  public:
    explicit ReceiveController(ReceiveServices services);

    // Where the engine's messages leave what the display and text ticks show.
    APIStuff::ReceiverBuffers receiverBuffers;

    // Hooks the engine's window procedure, sets the receive timers' interval and starts the
    // engine on the chosen card in the selected mode.
    void InitPSK();
    // The engine stops (at unload).
    void stopEngine();
    // The engine stops unless it was never started or stopped already (the window goes away).
    void stopEngineIfRunning();

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    // The receive mode the option buttons show: 0 BPSK, 1 QPSK usb, 2 QPSK lsb.
    std::int32_t selectedMode() const;
    // The rig turned to the other sideband: the engine receives the selected mode as it now
    // reaches the audio.
    void FollowRigSideband();
    // A click on one of the Speed items: the receiver changes to that speed, in the same mode.
    void menuspeed_Click(pskmodem::Speed speed);
    // The speed the Speed items show.
    pskmodem::Speed selectedSpeed() const noexcept { return speed_; }

    void tuneReceiver(std::int32_t frequencyHz) override;
    void tune(std::int32_t frequencyHz) override;
    void tuneToSignal(std::int32_t frequencyHz, pskmodem::Mode mode,
                      pskmodem::Speed speed) override;

    // The mode option and the Speed items follow the record's mode and speed.
    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    void selectMode(double mode);
    // Ticks the speed's item; a speed other than the one received tells the engine.
    void selectSpeed(pskmodem::Speed speed);
    void showMode();

    ReceiveServices services_;
    KVXmodules::EngineTuning tuning_;
    bool engineStartCalled_ = false;
    bool stopped_ = false;
    pskmodem::Speed speed_ = pskmodem::Speed::Psk31;  // the engine's until told otherwise
};
