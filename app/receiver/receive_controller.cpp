#include "receiver/receive_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <utility>

#include "platform/form_timer.h"
#include "platform/mode_names.h"
#include "platform/psk_engine.h"
#include "platform/rig_dial.h"
#include "receiver/engine_window_proc.h"
#include "receiver/startup.h"
#include "settings/engine_arguments.h"
#include "settings/settings_record.h"

using platform::kModeBpsk;
using platform::kModeQpskLsb;
using platform::kModeQpskUsb;

namespace {

// The engine's mode for the option's mode `onAir`, through the rig's dial.
std::int32_t HeardMode(std::int32_t onAir, const platform::RigDial* rigDial) {
    if (rigDial == nullptr || !pskmodem::isValidMode(onAir)) {
        return onAir;
    }
    return static_cast<std::int32_t>(
        platform::HeardMode(static_cast<pskmodem::Mode>(onAir), rigDial->dial()));
}

}  // namespace

ReceiveController::ReceiveController(ReceiveServices services)
    : services_(std::move(services)), tuning_(services_.engine, services_.settings) {}

void ReceiveController::InitPSK() {
    // Hooked before the start, so that no engine message arrives unhooked.
    receiverBuffers.PreviousWindowProc = services_.setWindowProc(
        APIStuff::EngineWindowProc(receiverBuffers, services_.engine, services_.displayTimer,
                                   services_.textTimer, services_.soundCardStatus));

    KVXmodules::SettingsRecord& settings = services_.settings;
    settings.ProgramTimerInterval = KVXmodules::ValidTimerInterval(settings.ProgramTimerInterval);
    services_.displayTimer.setInterval(settings.ProgramTimerInterval);
    services_.textTimer.setInterval(settings.ProgramTimerInterval);

    // The chosen sound card input and its clock correction; a recording or the simulator has
    // neither.
    const std::int32_t card = services_.startCard();
    const std::int32_t correction = services_.soundCardSource ? settings.SampleRateCorrection : 0;
    engineStartCalled_ = true;
    receiver::StartEngine(services_.engine, &services_.messageSink, settings,
                          HeardMode(selectedMode(), services_.rigDial), services_.dialogs, card,
                          correction);
}

void ReceiveController::stopEngine() {
    stopped_ = true;
    services_.engine.fnStopSoundCard();
}

void ReceiveController::stopEngineIfRunning() {
    // Also after a failed start: the engine may be waiting for the sound card.
    if (engineStartCalled_ && !stopped_) {
        stopEngine();
    }
}

void ReceiveController::Option1_Click() {
    services_.engine.fnSetRXPSKMode(HeardMode(kModeBpsk, services_.rigDial), 0);
    services_.settings.PSKMode = kModeBpsk;
    showMode();
}

void ReceiveController::Option2_Click() {
    services_.engine.fnSetRXPSKMode(HeardMode(kModeQpskUsb, services_.rigDial), 0);
    services_.settings.PSKMode = kModeQpskUsb;
    showMode();
}

void ReceiveController::Option3_Click() {
    services_.engine.fnSetRXPSKMode(HeardMode(kModeQpskLsb, services_.rigDial), 0);
    services_.settings.PSKMode = kModeQpskLsb;
    showMode();
}

void ReceiveController::menuspeed_Click(pskmodem::Speed speed) {
    selectSpeed(speed);
}

void ReceiveController::selectSpeed(pskmodem::Speed speed) {
    for (const pskmodem::Speed each : platform::kSpeeds) {
        if (QAction* item = services_.speedItems[static_cast<std::size_t>(each)]) {
            item->setChecked(each == speed);
        }
    }
    services_.settings.PSKSpeed = static_cast<std::int32_t>(speed);
    if (speed != speed_) {
        speed_ = speed;
        services_.engine.fnSetRXPSKSpeed(static_cast<std::int32_t>(speed));
        showMode();
    }
}

void ReceiveController::showMode() {
    if (services_.showMode) {
        services_.showMode(static_cast<pskmodem::Mode>(selectedMode()), speed_);
    }
}

std::int32_t ReceiveController::selectedMode() const {
    if (services_.qpskUsb.isChecked()) {
        return kModeQpskUsb;
    }
    if (services_.qpskLsb.isChecked()) {
        return kModeQpskLsb;
    }
    return kModeBpsk;
}

void ReceiveController::FollowRigSideband() {
    services_.engine.fnSetRXPSKMode(HeardMode(selectedMode(), services_.rigDial), 0);
}

void ReceiveController::tuneReceiver(std::int32_t frequencyHz) {
    tuning_.tuneReceiver(frequencyHz);
}

void ReceiveController::tune(std::int32_t frequencyHz) {
    tuning_.tune(frequencyHz);
}

void ReceiveController::tuneToSignal(std::int32_t frequencyHz, pskmodem::Mode mode,
                                     pskmodem::Speed speed) {
    tuning_.tune(frequencyHz);
    selectSpeed(speed);
    // Selecting the option runs its click handler, which sets the engine's mode.
    selectMode(static_cast<double>(static_cast<int>(mode)));
    // As releasing the mouse over the waterfall: decoding goes on.
    services_.stopDecode.setChecked(false);
}

// Selecting an option button from code runs its click handler, unless it is selected already;
// a mode the options do not know selects none.
void ReceiveController::selectMode(double mode) {
    if (mode == kModeBpsk) {
        services_.bpsk.setChecked(true);
    } else if (mode == kModeQpskUsb) {
        services_.qpskUsb.setChecked(true);
    } else if (mode == kModeQpskLsb) {
        services_.qpskLsb.setChecked(true);
    }
}

void ReceiveController::showDefaults(const KVXmodules::SettingsRecord& record) {
    showLoaded(record);
}

void ReceiveController::showLoaded(const KVXmodules::SettingsRecord& record) {
    selectSpeed(pskmodem::isValidSpeed(record.PSKSpeed)
                    ? static_cast<pskmodem::Speed>(record.PSKSpeed)
                    : pskmodem::Speed::Psk31);
    selectMode(record.PSKMode);
}
