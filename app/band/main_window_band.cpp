// MainWindow's side of the band activity window: "Band Activity..." opens it and starts the
// whole-band decoding, a timer brings the engine's snapshots into it, a click on a row tunes
// the receiver, and closing it stops the decoding.

#include <QDateTime>
#include <QGuiApplication>
#include <QMargins>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "band/band_activity_window.h"
#include "band/band_window_place.h"
#include "mainwindow/main_window.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
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

void MainWindow::menuband_Click() {
    if (bandTimer_ == nullptr) {
        bandTimer_ = new QTimer(this);
        bandTimer_->setInterval(kBandPollMs);
        connect(bandTimer_, &QTimer::timeout, this, &MainWindow::BandTimer_Timer);
    }
    const bool opening = bandActivityWindow() == nullptr;
    BandActivityWindow* window = platform::ShowModeless(
        *this, band_,
        [this] {
            auto* loaded = new BandActivityWindow(BandActivityServices{
                [this](double hz, pskmodem::Mode mode) { TuneToSignal(hz, mode); },
                [this](QPoint where) {
                    // Closed: the decoding stops, and where it stood is remembered.
                    engine.fnSetBandActivity(0);
                    bandTimer_->stop();
                    settings.BandActivityOpen = KVXmodules::kFlagClear;
                    settings.BandActivityLeft = where.x();
                    settings.BandActivityTop = where.y();
                }});
            PlaceBandActivity(*this, *loaded, settings);
            return loaded;
        },
        platform::Placement::ChosenBySystem);
    if (!opening) {
        return;
    }
    bandTable_.clear();
    bandSnapshot_ = {};
    window->showRows(bandTable_.rows(), band::TitleLine(bandTable_.rows(), 0.0));
    engine.fnSetBandActivity(1);
    bandTimer_->start();
}

BandActivityWindow* MainWindow::bandActivityWindow() const {
    return platform::OpenWindow(band_);
}

void MainWindow::BandTimer_Timer() {
    BandActivityWindow* window = bandActivityWindow();
    if (window == nullptr || engine.fnGetBandActivity(bandSnapshot_) == 0) {
        return;
    }
    const bool alarmOn = settings.PSKAlarm != 0;
    for (const int slot : bandTable_.update(bandSnapshot_, QDateTime::currentDateTimeUtc(),
                                            settings.PSKAlarmString, alarmOn)) {
        alarmSounder().sound(slot);
    }
    window->showRows(bandTable_.rows(),
                     band::TitleLine(bandTable_.rows(), receiverBuffers.ActiveFrequency));
}

void MainWindow::TuneToSignal(double frequencyHz, pskmodem::Mode mode) {
    const auto frequency = static_cast<std::int32_t>(std::lround(frequencyHz));
    tuning().tune(frequency);
    // Selecting the option runs its click handler, which sets the engine's mode.
    switch (mode) {
        case pskmodem::Mode::QpskUsb:
            Option2->setChecked(true);
            break;
        case pskmodem::Mode::QpskLsb:
            Option3->setChecked(true);
            break;
        case pskmodem::Mode::Bpsk:
            Option1->setChecked(true);
            break;
    }
    // As releasing the mouse over the waterfall: decoding goes on.
    Check1->setChecked(false);
}

void MainWindow::RememberBandActivity() {
    RememberBandActivityIn(settings);
}

void MainWindow::RememberBandActivityIn(KVXmodules::SettingsRecord& record) const {
    BandActivityWindow* window = bandActivityWindow();
    record.BandActivityOpen = window != nullptr ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
    if (window != nullptr) {
        record.BandActivityLeft = window->geometry().x();
        record.BandActivityTop = window->geometry().y();
    }
}

void MainWindow::CloseBandActivity() {
    if (BandActivityWindow* window = bandActivityWindow()) {
        window->close();
    }
}
