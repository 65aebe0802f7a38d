#pragma once

// Reporting what is heard: Setup > "Reporting..." switches spots to the reception-report
// network, the live stream and the heard-stations log on and off. While one of them is on, the
// whole-band decoding runs (also with the band window closed) and about once a second the
// engine's newest band snapshot is taken: each ended line goes to the stream, each call it
// confirms becomes a spot with its frequency on the air (the rig's dial) for the reporter and the
// log. Spots and the log take only what the sound card receives, never a recording or the
// simulator. The network is worked on the reporter's and the stream's own threads; the UI thread
// never waits on it. Its share of the settings: the [Reporting] section.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pskmodem/band/band_activity.h"
#include "report/band_listener.h"
#include "report/heard_log_writer.h"
#include "report/report_settings.h"
#include "settings/settings_part.h"
#include "station/report.h"
#include "station/stream.h"

class QWidget;
class ReportingWindow;

namespace platform {
class BandActivityDemand;
class PskEngine;
class RigDial;
}  // namespace platform

// What the report controller works with; all of it outlives the controller.
struct ReportServices {
    KVXmodules::SettingsRecord& settings;
    QWidget& owner;  // the main window: the Reporting window opens over it
    platform::PskEngine& engine;
    platform::BandActivityDemand& bandDemand;
    // The rig's dial; none: no rig.
    const platform::RigDial* rigDial = nullptr;
    // The engine hears the sound card (false: a recording or the simulator).
    bool soundCardSource = true;
    // Where heard.adi and the locator window's locator.ini are.
    QString programFolder;
    // The caption's status text changed: the caption is to show it again.
    std::function<void()> statusChanged;
    // Where spots go (tests: a loopback port).
    std::string reportHost = station::kDefaultReportHost;
    int reportPort = station::kDefaultReportPort;
    std::chrono::milliseconds interval{1000};
    station::UnixClock clock = station::systemUnixSeconds;
};

class ReportController final : public KVXmodules::SettingsPart {
  public:
    explicit ReportController(ReportServices services);
    // What is pending is sent; the threads end.
    ~ReportController() override;
    ReportController(const ReportController&) = delete;
    ReportController& operator=(const ReportController&) = delete;

    // Opens the Reporting window, or brings it to the front.
    void menureporting_Click();
    ReportingWindow* reportingWindow() const;
    // Takes the newest band snapshot: lines to the stream, spots to the reporter and the log.
    void ReportTimer_Timer();
    // "OK" of the window: the settings and the reports follow `choice`.
    void apply(const report::ReportingChoice& choice);

    const report::ReportingState& state() const noexcept { return state_; }
    // The status as the window and the main window show it.
    QString statusText() const { return report::StatusText(state_); }
    // "spots: 3 sent", or why none go, while spots are on; else empty.
    QString captionText() const { return report::CaptionText(state_); }
    // `caption` without the status text it carries at its end.
    QString captionWithoutStatus(QStringView caption) const;
    // `caption` (without a status text) with the status text now at its end.
    QString captionWithStatus(QStringView caption);
    // Whether anything (spots, stream, log) is on.
    bool active() const noexcept { return active_; }
    // The locator reported now.
    QString reportedLocator() const;
    // Whether a reporter, a stream, a log exist now.
    bool reporting() const noexcept { return reporter_ != nullptr; }
    bool streaming() const noexcept { return stream_ != nullptr; }
    bool logging() const noexcept { return heardLog_ != nullptr; }

    void showDefaults(const KVXmodules::SettingsRecord& record) override;
    void showLoaded(const KVXmodules::SettingsRecord& record) override;

  private:
    // Brings the reporter, the stream, the log and the band decoding in line with the settings,
    // the call sign, the dial and the input.
    void follow();
    void updateState();
    void runAside(std::function<void()> job);
    template <class Part>
    void retire(std::unique_ptr<Part>& part);

    ReportServices services_;
    QTimer timer_;
    std::vector<std::future<void>> aside_;
    bool active_ = false;
    std::unique_ptr<station::SpotReporter> reporter_;
    station::ReceiverInfo reporterInfo_;
    std::unique_ptr<station::StreamSender> stream_;
    QString streamAddress_;
    std::unique_ptr<report::HeardLogWriter> heardLog_;
    report::BandListener listener_;
    pskmodem::BandActivitySnapshot snapshot_;
    report::ReportingState state_;
    QString shownCaption_;  // the status text the caption carries
    QPointer<ReportingWindow> window_;
};
