#include "station/report.h"

#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "station/ipfix.h"
#include "udp_socket.h"

namespace station {

std::int64_t systemUnixSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

namespace {

// After a failed resolution or send, the next try waits this long (unless closing).
constexpr std::int64_t kRetrySeconds = 60;

std::string duplicateKey(const Spot& spot) {
    const std::string band = bandName(spot.rfHz);
    // Outside the amateur bands the megahertz stands for the band.
    return spot.call + " " + (band.empty() ? std::to_string(spot.rfHz / 1'000'000) + "MHz" : band);
}

std::uint32_t randomNumber() {
    std::random_device device;
    return device();
}

}  // namespace

struct SpotReporter::Worker {
    Worker(ReportSettings s, UnixClock c, ReporterOptions o)
        : settings(std::move(s)), clock(std::move(c)), options(std::move(o)) {
        start = clock();
        const std::int64_t phase =
            options.firstSendAfterSeconds.value_or(randomNumber() % kReportIntervalSeconds);
        nextSendAt = start + phase;
        observationDomain = options.observationDomainId.value_or(randomNumber());
    }

    // Shared with offer() and status(), under `mutex`.
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Spot> pending;
    std::map<std::string, std::int64_t> lastOffered;  // duplicateKey -> the spot's time
    ReportStatus status;
    bool stopping = false;
    bool woken = false;  // something to look at: a spot offered, a poll
    bool finished = false;
    std::int64_t closingTime = 0;

    // Set at construction, then read only.
    const ReportSettings settings;
    const UnixClock clock;
    const ReporterOptions options;
    std::int64_t start = 0;
    std::uint32_t observationDomain = 0;

    // The sending side's own: touched by one thread at a time (the worker, or poll() without
    // one).
    detail::UdpSocket socket;
    std::int64_t nextSendAt = 0;  // copied into the status under the mutex
    std::int64_t retryAt = std::numeric_limits<std::int64_t>::min();
    std::int64_t templatesAt = std::numeric_limits<std::int64_t>::min();
    std::uint32_t sequence = 0;
    std::uint64_t datagrams = 0;

    void setError(std::string error) {
        const std::lock_guard lock(mutex);
        status.lastError = std::move(error);
    }

    // Resolves the host and opens the socket, once; false with the error set when it cannot.
    bool connect() {
        if (socket.isOpen()) return true;
        std::string error;
        const std::optional<std::string> address = options.resolve(settings.host, error);
        if (!address) {
            setError("Cannot resolve " + settings.host + ": " + error);
            return false;
        }
        if (error = socket.open(*address, settings.port); !error.empty()) {
            setError("Cannot open a UDP socket to " + *address + ": " + error);
            return false;
        }
        return true;
    }

    // Sends what is due at `now`: every full datagram's worth of spots, and the rest when the
    // interval has passed or when closing.
    void send(std::int64_t now, bool closing) {
        // Bounded: a queue of kMaxPendingSpots spots fills far fewer datagrams.
        for (std::size_t round = 0; round <= kMaxPendingSpots; ++round) {
            std::vector<Spot> spots;
            {
                const std::lock_guard lock(mutex);
                spots.assign(pending.begin(), pending.end());
            }
            if (spots.empty()) break;
            if (!closing && now < retryAt) break;
            const bool withTemplates =
                datagrams < kTemplateDatagrams || now - templatesAt >= kTemplateIntervalSeconds;
            const ipfix::EncodedMessage message =
                ipfix::encodeMessage({.exportTimeUnix = static_cast<std::uint32_t>(now),
                                      .sequenceNumber = sequence,
                                      .observationDomainId = observationDomain},
                                     withTemplates, settings.receiver, spots);
            if (!closing && !message.full && now < nextSendAt) break;
            if (!connect()) {
                retryAt = now + kRetrySeconds;
                break;
            }
            if (const std::string error = socket.send(message.bytes); !error.empty()) {
                setError("Cannot send to " + settings.host + ":" + std::to_string(settings.port) +
                         ": " + error);
                retryAt = now + kRetrySeconds;
                break;
            }
            sequence += message.dataRecords;
            ++datagrams;
            if (withTemplates) templatesAt = now;
            if (!message.full) nextSendAt = now + kReportIntervalSeconds;
            const std::lock_guard lock(mutex);
            pending.erase(pending.begin(),
                          pending.begin() + static_cast<std::ptrdiff_t>(message.spots));
            status.spotsSent += message.spots;
            status.datagramsSent = datagrams;
            status.lastError.clear();
        }
        const std::lock_guard lock(mutex);
        status.nextSendUnix = nextSendAt;
    }

    void run() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            // The clock is looked at every second; an offer or a poll wakes the thread at once.
            wake.wait_for(lock, std::chrono::seconds(1), [&] { return stopping || woken; });
            woken = false;
            if (stopping) break;
            lock.unlock();
            send(clock(), false);
            lock.lock();
        }
        const std::int64_t now = closingTime;
        lock.unlock();
        send(now, true);
        lock.lock();
        finished = true;
        wake.notify_all();
    }
};

SpotReporter::SpotReporter(ReportSettings settings, UnixClock clock, ReporterOptions options)
    : worker_(std::make_shared<Worker>(std::move(settings), std::move(clock), std::move(options))) {
    {
        const std::lock_guard lock(worker_->mutex);
        worker_->status.nextSendUnix = worker_->nextSendAt;
    }
    if (worker_->options.threaded) {
        std::thread([worker = worker_] { worker->run(); }).detach();
    }
}

SpotReporter::~SpotReporter() {
    const std::int64_t now = worker_->clock();
    if (!worker_->options.threaded) {
        worker_->send(now, true);
        return;
    }
    // The thread sends what is pending and ends; it is waited for a bounded time, so that a
    // resolution that hangs does not hold up the exit. It keeps the worker alive as long as it
    // runs, and touches nothing of the caller's after this.
    std::unique_lock lock(worker_->mutex);
    worker_->stopping = true;
    worker_->closingTime = now;
    worker_->wake.notify_all();
    worker_->wake.wait_for(lock, worker_->options.closeTimeout, [&] { return worker_->finished; });
}

bool SpotReporter::offer(const Spot& spot) {
    if (spot.call.empty() || spot.rfHz <= 0 ||
        spot.rfHz > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const std::string key = duplicateKey(spot);
    {
        const std::lock_guard lock(worker_->mutex);
        if (worker_->pending.size() >= kMaxPendingSpots) return false;
        auto& offered = worker_->lastOffered;
        if (const auto it = offered.find(key); it != offered.end() &&
                                               spot.timeUnix - it->second < kReportRepeatSeconds &&
                                               it->second - spot.timeUnix < kReportRepeatSeconds) {
            return false;
        }
        // What is older than the window stops nothing any more; it goes, to bound the memory.
        if (offered.size() >= 4 * kMaxPendingSpots) {
            std::erase_if(offered, [&](const auto& entry) {
                return spot.timeUnix - entry.second >= kReportRepeatSeconds;
            });
        }
        offered[key] = spot.timeUnix;
        worker_->pending.push_back(spot);
        worker_->status.pending = worker_->pending.size();
        worker_->woken = true;
    }
    worker_->wake.notify_all();
    return true;
}

ReportStatus SpotReporter::status() const {
    const std::lock_guard lock(worker_->mutex);
    ReportStatus status = worker_->status;
    status.pending = worker_->pending.size();
    return status;
}

void SpotReporter::poll() {
    if (worker_->options.threaded) {
        {
            const std::lock_guard lock(worker_->mutex);
            worker_->woken = true;
        }
        worker_->wake.notify_all();
    } else {
        worker_->send(worker_->clock(), false);
    }
}

}  // namespace station
