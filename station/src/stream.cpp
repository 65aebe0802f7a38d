#include "station/stream.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>

#include "pskmodem/codec/windows1252.h"
#include "udp_socket.h"

namespace station {

std::string jsonString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (const char c : bytes) {
        const auto code = static_cast<std::uint8_t>(c);
        switch (code) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\b':
                out += "\\b";
                continue;
            case '\f':
                out += "\\f";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (code >= 0x20 && code < 0x7F) {
            out += c;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x",
                      static_cast<unsigned>(pskmodem::windows1252ToUnicode(code)));
        out += escape;
    }
    out += '"';
    return out;
}

std::string jsonModeName(pskmodem::Mode mode, pskmodem::Speed speed) {
    const std::string number = std::to_string(pskmodem::speedNumber(speed));
    switch (mode) {
        case pskmodem::Mode::Bpsk:
            return "bpsk" + number;
        case pskmodem::Mode::QpskUsb:
            return "qpsk" + number + "-usb";
        case pskmodem::Mode::QpskLsb:
            return "qpsk" + number + "-lsb";
    }
    return "bpsk" + number;
}

namespace {

std::string isoTime(std::int64_t timeUnix) {
    const auto seconds = static_cast<std::time_t>(timeUnix);
    std::tm fields{};
    ::gmtime_r(&seconds, &fields);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

std::string wholeNumber(double value) {
    return std::to_string(std::isfinite(value) ? std::llround(value) : 0LL);
}

std::string tenths(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The fields of one signal, its text cut to the newest `maxTextBytes` bytes.
std::string signalFields(const StreamSignal& signal, std::size_t maxTextBytes) {
    std::string out =
        "\"frequency_hz\":" + wholeNumber(signal.frequencyHz) +
        ",\"rf_hz\":" + (signal.rfHz ? std::to_string(*signal.rfHz) : std::string("null")) +
        ",\"mode\":\"" + jsonModeName(signal.mode, signal.speed) +
        "\",\"snr_db\":" + tenths(signal.snrDb) +
        ",\"imd_db\":" + (std::isfinite(signal.imdDb) ? wholeNumber(signal.imdDb) : "null") +
        ",\"calls\":[";
    for (std::size_t i = 0; i < signal.calls.size(); ++i) {
        if (i > 0) out += ',';
        out += jsonString(signal.calls[i]);
    }
    const std::string_view text = signal.text;
    out +=
        "],\"text\":" + jsonString(text.substr(text.size() - std::min(text.size(), maxTextBytes)));
    return out;
}

std::string lineJson(const StreamSignal& signal, std::int64_t timeUnix, std::size_t maxTextBytes) {
    return "{\"type\":\"line\",\"time\":\"" + isoTime(timeUnix) + "\"," +
           signalFields(signal, maxTextBytes) + "}";
}

std::string bandJson(const std::vector<StreamSignal>& signals, std::size_t count,
                     std::optional<std::int64_t> dialHz, std::int64_t timeUnix,
                     std::size_t maxTextBytes) {
    std::string out = "{\"type\":\"band\",\"time\":\"" + isoTime(timeUnix) +
                      "\",\"dial_hz\":" + (dialHz ? std::to_string(*dialHz) : "null") +
                      ",\"signals\":[";
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += ',';
        out += "{" + signalFields(signals[i], maxTextBytes) + "}";
    }
    return out + "]}";
}

// The longest text allowance (in bytes of text, each of which may take up to six in the JSON)
// for which `make` stays within the datagram size.
template <typename Make>
std::string withinDatagram(std::size_t longestText, Make make) {
    std::string json = make(longestText);
    if (json.size() <= kMaxStreamDatagramBytes) return json;
    std::size_t fits = 0;
    std::size_t fails = longestText;
    while (fails - fits > 1) {
        const std::size_t middle = fits + (fails - fits) / 2;
        (make(middle).size() <= kMaxStreamDatagramBytes ? fits : fails) = middle;
    }
    return make(fits);
}

}  // namespace

std::string streamLineJson(const StreamSignal& signal, std::int64_t timeUnix) {
    return withinDatagram(signal.text.size(),
                          [&](std::size_t maxText) { return lineJson(signal, timeUnix, maxText); });
}

std::string streamBandJson(const std::vector<StreamSignal>& signals,
                           std::optional<std::int64_t> dialHz, std::int64_t timeUnix) {
    std::size_t longest = 0;
    for (const StreamSignal& signal : signals) longest = std::max(longest, signal.text.size());
    // So many signals that even without their texts they do not fit: the first ones that do.
    std::size_t count = signals.size();
    while (count > 0 &&
           bandJson(signals, count, dialHz, timeUnix, 0).size() > kMaxStreamDatagramBytes) {
        count = count * 9 / 10;
    }
    return withinDatagram(longest, [&](std::size_t maxText) {
        return bandJson(signals, count, dialHz, timeUnix, maxText);
    });
}

struct StreamSender::Worker {
    Worker(std::string h, int p, StreamOptions o)
        : host(std::move(h)), port(p), options(std::move(o)) {}

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::string> queue;
    std::uint64_t sent = 0;
    std::uint64_t dropped = 0;
    std::string lastError;
    bool stopping = false;
    bool finished = false;

    const std::string host;
    const int port;
    const StreamOptions options;
    detail::UdpSocket socket;  // the thread's own
    std::chrono::steady_clock::time_point retryAt{};

    // Opens the socket once; false, with the error kept, when it cannot.
    bool connect() {
        if (socket.isOpen()) return true;
        if (std::chrono::steady_clock::now() < retryAt) return false;
        std::string error;
        std::optional<std::string> address = options.resolve(host, error);
        if (address) {
            error = socket.open(*address, port);
            if (!error.empty()) error = "Cannot open a UDP socket to " + *address + ": " + error;
        } else {
            error = "Cannot resolve " + host + ": " + error;
        }
        if (error.empty()) return true;
        retryAt = std::chrono::steady_clock::now() + options.retryAfter;
        const std::lock_guard lock(mutex);
        lastError = std::move(error);
        return false;
    }

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !queue.empty(); });
            if (queue.empty()) break;  // stopping, and everything sent
            lock.unlock();
            const bool open = connect();
            lock.lock();
            if (!open) {
                if (stopping) break;  // what is left cannot go
                wake.wait_for(lock, options.retryAfter, [&] { return stopping; });
                continue;
            }
            while (!queue.empty()) {
                const std::string message = std::move(queue.front());
                queue.pop_front();
                lock.unlock();
                const std::string error = socket.send(std::span(
                    reinterpret_cast<const std::uint8_t*>(message.data()), message.size()));
                lock.lock();
                if (error.empty()) {
                    ++sent;
                } else {
                    lastError =
                        "Cannot send to " + host + ":" + std::to_string(port) + ": " + error;
                }
            }
        }
        finished = true;
        wake.notify_all();
    }
};

StreamSender::StreamSender(std::string host, int port, StreamOptions options)
    : worker_(std::make_shared<Worker>(std::move(host), port, std::move(options))) {
    std::thread([worker = worker_] { worker->run(); }).detach();
}

StreamSender::~StreamSender() {
    // What is queued goes first, for a bounded time; a thread stuck in a name resolution is left
    // behind, holding what it uses.
    std::unique_lock lock(worker_->mutex);
    worker_->stopping = true;
    worker_->wake.notify_all();
    worker_->wake.wait_for(lock, worker_->options.closeTimeout, [&] { return worker_->finished; });
}

void StreamSender::send(std::string message) {
    {
        const std::lock_guard lock(worker_->mutex);
        if (worker_->queue.size() >= worker_->options.maxQueued) {
            worker_->queue.pop_front();
            ++worker_->dropped;
        }
        worker_->queue.push_back(std::move(message));
    }
    worker_->wake.notify_all();
}

std::uint64_t StreamSender::sent() const {
    const std::lock_guard lock(worker_->mutex);
    return worker_->sent;
}

std::uint64_t StreamSender::dropped() const {
    const std::lock_guard lock(worker_->mutex);
    return worker_->dropped;
}

std::string StreamSender::lastError() const {
    const std::lock_guard lock(worker_->mutex);
    return worker_->lastError;
}

}  // namespace station
