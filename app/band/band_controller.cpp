#include "band/band_controller.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <cmath>
#include <utility>

#include "band/band_activity_window.h"
#include "band/band_window_place.h"
#include "platform/alarm_sounder.h"
#include "platform/band_activity_demand.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
#include "platform/rig_dial.h"
#include "platform/tuning.h"
#include "settings/settings_record.h"

namespace {

// Snapshots come about twice a second; the window looks a little more often.
constexpr int kBandPollMs = 250;
// Beside the main window, the window may be made lower to fit, down to this height with its
// frame (its title bar, the column titles and about five rows).
constexpr int kBandMinimumHeightPx = 180;

// Puts a new band activity window where it stood when it last closed, while that is on a
// screen, else beside the main window `owner`. The settings keep where its contents began,
// without the window manager's frame: placing the frame there would move it up by the height
// of its title bar at every start.
void PlaceBandActivity(const QWidget& owner, QWidget& window,
                       const KVXmodules::SettingsRecord& settings) {
    const QPoint stored(settings.BandActivityLeft, settings.BandActivityTop);
    if (settings.BandActivityLeft != KVXmodules::kNoBandActivityPosition &&
        settings.BandActivityTop != KVXmodules::kNoBandActivityPosition &&
        QGuiApplication::screenAt(stored) != nullptr) {
        window.setGeometry(QRect(stored, window.size()));
        return;
    }
    // The new window's frame is not known before it is shown: the main window's stands in.
    const QRect ownerFrame = owner.frameGeometry();
    const QRect ownerInside = owner.geometry();
    const QMargins frame(
        ownerInside.left() - ownerFrame.left(), ownerInside.top() - ownerFrame.top(),
        ownerFrame.right() - ownerInside.right(), ownerFrame.bottom() - ownerInside.bottom());
    const QRect place =
        band::BesideWindow(ownerFrame, window.size().grownBy(frame),
                           owner.screen()->availableGeometry(), kBandMinimumHeightPx);
    window.setGeometry(place.marginsRemoved(frame));
}

}  // namespace

BandActivityController::BandActivityController(BandActivityControllerServices services)
    : services_(std::move(services)) {
    timer_.setInterval(kBandPollMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { BandTimer_Timer(); });
}

BandActivityController::~BandActivityController() = default;

void BandActivityController::menuband_Click() {
    const bool opening = bandActivityWindow() == nullptr;
    BandActivityWindow* window = platform::ShowModeless(
        services_.owner, window_,
        [this] {
            auto* loaded = new BandActivityWindow(BandActivityServices{
                [this](double hz, pskmodem::Mode mode, pskmodem::Speed speed) {
                    TuneToSignal(hz, mode, speed);
                },
                [this](QPoint where) {
                    // Closed: the decoding stops, and where it stood is remembered.
                    services_.bandDemand.need(platform::BandActivityDemand::User::BandWindow,
                                              false);
                    timer_.stop();
                    services_.settings.BandActivityOpen = KVXmodules::kFlagClear;
                    services_.settings.BandActivityLeft = where.x();
                    services_.settings.BandActivityTop = where.y();
                }});
            PlaceBandActivity(services_.owner, *loaded, services_.settings);
            return loaded;
        },
        platform::Placement::ChosenBySystem);
    if (!opening) {
        return;
    }
    table_.clear();
    snapshot_ = {};
    shownDial_ = services_.rigDial != nullptr ? services_.rigDial->dial() : std::nullopt;
    const std::vector<band::Row> rows = band::OnTheAir(table_.rows(), shownDial_);
    window->showRows(rows, band::TitleLine(rows, 0.0));
    services_.bandDemand.need(platform::BandActivityDemand::User::BandWindow, true);
    timer_.start();
}

BandActivityWindow* BandActivityController::bandActivityWindow() const {
    return platform::OpenWindow(window_);
}

void BandActivityController::BandTimer_Timer() {
    BandActivityWindow* window = bandActivityWindow();
    if (window == nullptr) {
        return;
    }
    // A new dial shows at once, without waiting for the next snapshot.
    const std::optional<station::DialReading> dial =
        services_.rigDial != nullptr ? services_.rigDial->dial() : std::nullopt;
    const bool newSnapshot = services_.engine.fnGetBandActivity(snapshot_) != 0;
    if (!newSnapshot && dial == shownDial_) {
        return;
    }
    if (newSnapshot) {
        const bool alarmOn = services_.settings.PSKAlarm != 0;
        for (const int slot : table_.update(snapshot_, QDateTime::currentDateTimeUtc(),
                                            services_.settings.PSKAlarmString, alarmOn)) {
            services_.alarm.sound(slot);
        }
    }
    shownDial_ = dial;
    const std::vector<band::Row> rows = band::OnTheAir(table_.rows(), dial);
    window->showRows(rows, band::TitleLine(rows, services_.buffers.ActiveFrequency));
}

void BandActivityController::TuneToSignal(double frequencyHz, pskmodem::Mode mode,
                                          pskmodem::Speed speed) {
    services_.tuning.tuneToSignal(static_cast<std::int32_t>(std::lround(frequencyHz)), mode, speed);
}

void BandActivityController::RememberBandActivity() {
    keepIn(services_.settings);
}

void BandActivityController::keepIn(KVXmodules::SettingsRecord& record) const {
    BandActivityWindow* window = bandActivityWindow();
    record.BandActivityOpen = window != nullptr ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
    if (window != nullptr) {
        record.BandActivityLeft = window->geometry().x();
        record.BandActivityTop = window->geometry().y();
    }
}

void BandActivityController::CloseBandActivity() {
    if (BandActivityWindow* window = bandActivityWindow()) {
        window->close();
    }
}
