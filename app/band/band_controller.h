#pragma once

// The band activity: "Band Activity..." opens its window and starts the whole-band decoding, a
// timer brings the engine's snapshots into it (and sounds the alarm for strings the signals
// sent), a click on a row tunes the receiver, and closing it stops the decoding. Its share of
// the settings: whether the window is open and where it stands.

#include <QPointer>
#include <QTimer>

#include "band/band_table.h"
#include "platform/receiver_buffers.h"
#include "settings/settings_part.h"

class BandActivityWindow;
class QWidget;

namespace platform {
class AlarmSounder;
class BandActivityDemand;
class PskEngine;
class RigDial;
class Tuning;
}  // namespace platform

// What the band activity works with; all of it outlives the controller.
struct BandActivityControllerServices {
    KVXmodules::SettingsRecord& settings;
    platform::PskEngine& engine;
    // The whole-band decoding runs while the window is open (and while others need it).
    platform::BandActivityDemand& bandDemand;
    platform::Tuning& tuning;
    platform::AlarmSounder& alarm;
    const APIStuff::ReceiverBuffers& buffers;  // the tuned frequency, for the title line
    QWidget& owner;                            // the main window: the band window opens beside it
    // The rig's dial, for each signal's frequency and mode on the air; none: no rig.
    const platform::RigDial* rigDial = nullptr;
};

class BandActivityController final : public KVXmodules::SettingsPart {
  public:
    explicit BandActivityController(BandActivityControllerServices services);
    ~BandActivityController() override;
    BandActivityController(const BandActivityController&) = delete;
    BandActivityController& operator=(const BandActivityController&) = delete;

    // Opens the band activity window (whole-band decoding starts), or brings it to the front.
    void menuband_Click();
    BandActivityWindow* bandActivityWindow() const;
    // Takes the engine's newest band snapshot into the window; fires the alarm for strings
    // found in what the signals sent.
    void BandTimer_Timer();
    // Tunes the receiver to `frequencyHz` in `mode` at `speed`, as a click on its trace, on the
    // speed's item and on the mode's option would.
    void TuneToSignal(double frequencyHz, pskmodem::Mode mode, pskmodem::Speed speed);
    // Stores whether the window is open and where it stands, for the settings file.
    void RememberBandActivity();
    // Closes the window: without the engine the band activity has nothing to show.
    void CloseBandActivity();

    // The band window's own settings are read by the main window's start.
    void showDefaults(const KVXmodules::SettingsRecord& /*record*/) override {}
    void showLoaded(const KVXmodules::SettingsRecord& /*record*/) override {}
    // Whether the window is open and where it stands, the settings as they are otherwise.
    void keepIn(KVXmodules::SettingsRecord& record) const override;

  private:
    BandActivityControllerServices services_;
    QPointer<BandActivityWindow> window_;
    band::BandTable table_;
    pskmodem::BandActivitySnapshot snapshot_;
    std::optional<station::DialReading> shownDial_;  // the dial the rows were shown with
    QTimer timer_;
};
