#include "rig/rig_controller.h"

#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "platform/modeless_window.h"
#include "rig/rig_control_window.h"
#include "rig/rig_settings.h"
#include "settings/settings_record.h"

RigController::RigController(RigServices services) : services_(std::move(services)) {}

RigController::~RigController() {
    retirePoller();
    // The rig's threads end within a rig timeout; none may outlive what it reports to.
    for (std::future<void>& job : aside_) {
        job.wait();
    }
}

void RigController::menurig_Click() {
    platform::ShowModeless(services_.owner, window_, [this] {
        return new RigControlWindow(RigControlServices{
            services_.settings, [] { return station::rigModels(); },
            [this](const station::RigAddress& address, std::function<void(const QString&)> done) {
                test(address, std::move(done));
            },
            [this](const std::optional<station::RigAddress>& address) {
                rig::KeepRigAddress(address, services_.settings);
                follow(address);
            }});
    });
}

RigControlWindow* RigController::rigControlWindow() const {
    return platform::OpenWindow(window_);
}

QString RigController::captionWithoutDial(QStringView caption) const {
    return rig::CaptionWithDial(caption, shownText_, {});
}

QString RigController::captionWithDial(QStringView caption) {
    shownText_ = text_;
    return rig::CaptionWithDial(caption, {}, text_);
}

void RigController::follow(const std::optional<station::RigAddress>& address) {
    if (address == address_ && (poller_ != nullptr) == address.has_value()) {
        return;
    }
    retirePoller();
    address_ = address;
    ++generation_;
    status_ = {};
    const bool wasLower = lastDial_ && lastDial_->sideband == station::Sideband::Lower;
    lastDial_.reset();
    if (address) {
        const std::uint64_t generation = generation_;
        poller_ = std::make_unique<station::RigPoller>(
            *address, services_.pollInterval, [this, generation](const station::RigStatus& status) {
                // On the rig's thread: the status goes to the UI thread's queue.
                QMetaObject::invokeMethod(
                    &context_, [this, generation, status] { statusArrived(generation, status); },
                    Qt::QueuedConnection);
            });
    }
    text_ = rig::DialText(status_);
    if (text_ != shownText_ && services_.dialTextChanged) {
        services_.dialTextChanged();
    }
    if (wasLower && services_.sidebandChanged) {
        services_.sidebandChanged();
    }
}

void RigController::statusArrived(std::uint64_t generation, const station::RigStatus& status) {
    if (generation != generation_) {
        return;  // from a rig let go since
    }
    const auto sideband = [](const std::optional<station::DialReading>& dial) {
        return dial ? dial->sideband : station::Sideband::Upper;
    };
    const station::Sideband before = sideband(lastDial_);
    status_ = status;
    if (status.reading) {
        lastDial_ = status.reading;
    }
    text_ = rig::DialText(status_);
    if (text_ != shownText_ && services_.dialTextChanged) {
        services_.dialTextChanged();
    }
    if (sideband(lastDial_) != before && services_.sidebandChanged) {
        services_.sidebandChanged();
    }
}

void RigController::test(const station::RigAddress& address,
                         std::function<void(const QString&)> done) {
    runAside([this, address, done = std::move(done)] {
        station::RigConnection rig(address);
        const QString text = rig::TestResultText(rig.read());
        QMetaObject::invokeMethod(
            &context_, [done, text] { done(text); }, Qt::QueuedConnection);
    });
}

std::uint64_t RigController::polls() const {
    return poller_ ? poller_->polls() : 0;
}

void RigController::showDefaults(const KVXmodules::SettingsRecord& record) {
    follow(rig::RigAddressOf(record));
}

void RigController::showLoaded(const KVXmodules::SettingsRecord& record) {
    follow(rig::RigAddressOf(record));
}

void RigController::runAside(std::function<void()> job) {
    aside_.erase(std::remove_if(aside_.begin(), aside_.end(),
                                [](const std::future<void>& f) {
                                    return f.wait_for(std::chrono::seconds(0)) ==
                                           std::future_status::ready;
                                }),
                 aside_.end());
    aside_.push_back(std::async(std::launch::async, std::move(job)));
}

void RigController::retirePoller() {
    if (poller_ == nullptr) {
        return;
    }
    // Stopping waits for a read under way: not on the UI thread.
    std::shared_ptr<station::RigPoller> retiring(std::move(poller_));
    runAside([retiring]() mutable { retiring.reset(); });
}
