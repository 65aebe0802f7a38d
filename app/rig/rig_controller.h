#pragma once

// The rig: Setup > "Rig Control..." chooses it (none by default), and its dial and mode are read
// about once a second on a thread of their own, never on the UI thread. The main window's caption
// shows the dial ("14.070.000 USB") or "rig not answering"; the receiver's QPSK sideband and the
// band activity's frequencies on the air follow it (platform::RigDial). Read-only: the rig is never
// set. Its share of the settings: the rig chosen.

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "platform/rig_dial.h"
#include "settings/settings_part.h"
#include "station/rig.h"

class QWidget;
class RigControlWindow;

// What the rig controller works with; all of it outlives the controller.
struct RigServices {
    KVXmodules::SettingsRecord& settings;
    QWidget& owner;  // the main window: the Rig Control window opens over it
    // The dial text changed: the caption is to show it again.
    std::function<void()> dialTextChanged;
    // The rig turned to the other sideband: the receiver's QPSK sideband is to follow.
    std::function<void()> sidebandChanged;
    std::chrono::milliseconds pollInterval{1000};
};

class RigController final : public platform::RigDial, public KVXmodules::SettingsPart {
  public:
    explicit RigController(RigServices services);
    ~RigController() override;
    RigController(const RigController&) = delete;
    RigController& operator=(const RigController&) = delete;

    // Opens the Rig Control window, or brings it to the front.
    void menurig_Click();
    RigControlWindow* rigControlWindow() const;

    // The last dial read: kept while the rig does not answer, so that nothing else changes.
    std::optional<station::DialReading> dial() const override { return lastDial_; }
    const station::RigStatus& status() const noexcept { return status_; }
    // "14.070.000 USB", "rig not answering", or empty without a rig.
    const QString& dialText() const noexcept { return shownText_; }
    // `caption` without the dial text it carries at its end.
    QString captionWithoutDial(QStringView caption) const;
    // `caption` (without a dial text) with the dial text now at its end.
    QString captionWithDial(QStringView caption);

    // Reads `address` from now on, or no rig; the rig read before is let go off the UI thread.
    void follow(const std::optional<station::RigAddress>& address);
    // Reads `address` once off the UI thread and hands what it got to `done` on the UI thread.
    void test(const station::RigAddress& address, std::function<void(const QString&)> done);
    // Reads of the rig so far, by the rig followed now.
    std::uint64_t polls() const;

    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    void statusArrived(std::uint64_t generation, const station::RigStatus& status);
    void runAside(std::function<void()> job);
    void retirePoller();

    RigServices services_;
    QObject context_;  // results from the rig's threads arrive through its event queue
    std::vector<std::future<void>> aside_;
    std::optional<station::RigAddress> address_;
    std::unique_ptr<station::RigPoller> poller_;
    std::uint64_t generation_ = 0;
    station::RigStatus status_;
    std::optional<station::DialReading> lastDial_;
    QString text_;       // the dial text now
    QString shownText_;  // the dial text the caption carries
    QPointer<RigControlWindow> window_;
};
