#include "report/report_controller.h"

#include <QDir>
#include <QFile>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "platform/band_activity_demand.h"
#include "platform/home_locator.h"
#include "platform/modeless_window.h"
#include "platform/psk_engine.h"
#include "platform/rig_dial.h"
#include "report/reporting_window.h"
#include "settings/settings_record.h"

namespace {

std::string SoftwareName() {
    return std::string("Quorvin ") + QUORVIN_VERSION;
}

bool SameReceiver(const station::ReceiverInfo& a, const station::ReceiverInfo& b) {
    return a.call == b.call && a.locator == b.locator && a.software == b.software &&
           a.antenna == b.antenna;
}

}  // namespace

ReportController::ReportController(ReportServices services) : services_(std::move(services)) {
    timer_.setInterval(services_.interval);
    QObject::connect(&timer_, &QTimer::timeout, [this] { ReportTimer_Timer(); });
}

ReportController::~ReportController() {
    timer_.stop();
    // The reporter sends what is pending as it goes; waiting for it at the end is what a clean
    // exit needs.
    retire(reporter_);
    retire(stream_);
    retire(heardLog_);
    for (std::future<void>& job : aside_) {
        job.wait();
    }
}

void ReportController::menureporting_Click() {
    platform::ShowModeless(services_.owner, window_, [this] {
        return new ReportingWindow(ReportingServices{
            report::ReportingOf(services_.settings), services_.settings.OperatorCall,
            platform::ReadHomeLocator(services_.programFolder), statusText(),
            [this](const report::ReportingChoice& choice) { apply(choice); }});
    });
}

ReportingWindow* ReportController::reportingWindow() const {
    return platform::OpenWindow(window_);
}

void ReportController::apply(const report::ReportingChoice& choice) {
    report::KeepReporting(choice, services_.settings);
    follow();
    updateState();
}

QString ReportController::reportedLocator() const {
    return report::ReportedLocator(report::ReportingOf(services_.settings),
                                   platform::ReadHomeLocator(services_.programFolder));
}

QString ReportController::captionWithoutStatus(QStringView caption) const {
    return report::CaptionWithStatus(caption, shownCaption_, {});
}

QString ReportController::captionWithStatus(QStringView caption) {
    shownCaption_ = captionText();
    return report::CaptionWithStatus(caption, {}, shownCaption_);
}

void ReportController::showDefaults(const KVXmodules::SettingsRecord& /*record*/) {
    follow();
    updateState();
}

void ReportController::showLoaded(const KVXmodules::SettingsRecord& /*record*/) {
    follow();
    updateState();
}

void ReportController::follow() {
    const report::ReportingChoice choice = report::ReportingOf(services_.settings);
    const bool soundCard = services_.soundCardSource;
    const QString call = services_.settings.OperatorCall.trimmed();
    const bool hasDial = services_.rigDial != nullptr && services_.rigDial->dial().has_value();

    // The reporter: for the sound card only, with a call sign; a new one when what it says of
    // the station changes. It is made once the dial is known, and kept while the rig is away.
    if (!choice.spots || !soundCard || call.isEmpty()) {
        retire(reporter_);
    } else {
        const station::ReceiverInfo info{call.toStdString(), reportedLocator().toStdString(),
                                         SoftwareName(), choice.antenna.trimmed().toStdString()};
        if (reporter_ != nullptr && !SameReceiver(info, reporterInfo_)) {
            retire(reporter_);
        }
        if (reporter_ == nullptr && hasDial) {
            reporterInfo_ = info;
            reporter_ = std::make_unique<station::SpotReporter>(
                station::ReportSettings{info, services_.reportHost, services_.reportPort},
                services_.clock);
        }
    }

    const report::StreamAddress stream = report::StreamAddressOf(choice.stream);
    const QString address = choice.stream.trimmed();
    if (!stream.address || address != streamAddress_) {
        retire(stream_);
        streamAddress_.clear();
    }
    if (stream.address && stream_ == nullptr) {
        stream_ =
            std::make_unique<station::StreamSender>(stream.address->host, stream.address->port);
        streamAddress_ = address;
    }

    if (choice.heardLog && soundCard) {
        if (heardLog_ == nullptr) {
            heardLog_ = std::make_unique<report::HeardLogWriter>(
                QFile::encodeName(QDir(services_.programFolder)
                                      .filePath(QString::fromUtf16(report::kHeardLogFileName)))
                    .toStdString(),
                QUORVIN_VERSION);
        }
    } else {
        retire(heardLog_);
    }

    const bool active = report::AnythingOn(choice);
    if (active != active_) {
        active_ = active;
        services_.bandDemand.need(platform::BandActivityDemand::User::Reporting, active);
        listener_.reset();
        snapshot_ = {};
        if (active) {
            timer_.start();
        } else {
            timer_.stop();
        }
    }
}

void ReportController::ReportTimer_Timer() {
    follow();
    if (!active_) {
        updateState();
        return;
    }
    const std::optional<station::DialReading> dial =
        services_.rigDial != nullptr ? services_.rigDial->dial() : std::nullopt;
    if (services_.engine.fnGetBandActivity(snapshot_) != 0) {
        const std::int64_t now = services_.clock();
        const report::Heard heard = listener_.take(snapshot_, dial, now);
        for (const station::Spot& spot : heard.spots) {
            if (reporter_ != nullptr) {
                reporter_->offer(spot);
            }
            if (heardLog_ != nullptr) {
                heardLog_->add(spot);
            }
        }
        if (stream_ != nullptr) {
            for (const station::StreamSignal& line : heard.lines) {
                stream_->send(station::streamLineJson(line, now));
            }
            stream_->send(station::streamBandJson(
                heard.band, dial ? std::optional<std::int64_t>(dial->dialHz) : std::nullopt, now));
        }
    }
    updateState();
}

void ReportController::updateState() {
    const report::ReportingChoice choice = report::ReportingOf(services_.settings);
    report::ReportingState state;
    state.spotsOn = choice.spots;
    state.soundCard = services_.soundCardSource;
    state.hasCall = !services_.settings.OperatorCall.trimmed().isEmpty();
    state.hasDial = services_.rigDial != nullptr && services_.rigDial->dial().has_value();
    if (reporter_ != nullptr) {
        state.reporter = reporter_->status();
    }
    state.streamOn = stream_ != nullptr;
    if (stream_ != nullptr) {
        state.streamSent = stream_->sent();
        state.streamError = QString::fromStdString(stream_->lastError());
    }
    state.heardLogOn = choice.heardLog;
    if (heardLog_ != nullptr) {
        state.logged = heardLog_->taken();
        state.heardLogError = QString::fromStdString(heardLog_->lastError());
    }
    state_ = std::move(state);
    if (ReportingWindow* window = reportingWindow()) {
        window->showStatus(statusText());
    }
    if (captionText() != shownCaption_ && services_.statusChanged) {
        services_.statusChanged();
    }
}

template <class Part>
void ReportController::retire(std::unique_ptr<Part>& part) {
    if (part == nullptr) {
        return;
    }
    // Ending its thread may wait for a send under way: not on the UI thread.
    std::shared_ptr<Part> retiring(std::move(part));
    runAside([retiring]() mutable { retiring.reset(); });
}

void ReportController::runAside(std::function<void()> job) {
    aside_.erase(std::remove_if(aside_.begin(), aside_.end(),
                                [](const std::future<void>& f) {
                                    return f.wait_for(std::chrono::seconds(0)) ==
                                           std::future_status::ready;
                                }),
                 aside_.end());
    aside_.push_back(std::async(std::launch::async, std::move(job)));
}
