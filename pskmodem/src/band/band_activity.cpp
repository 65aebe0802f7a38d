#include "pskmodem/band/band_activity.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "pskmodem/band/call_signs.h"

namespace pskmodem {

namespace {

// Text kept per signal for finding call signs: a few overs' worth.
constexpr std::size_t kCallTextCharacters = 2048;
// Call signs listed per signal (a net on one frequency may bring more; the first stay).
constexpr std::size_t kMaxCalls = 8;

}  // namespace

struct BandActivity::Impl final : BandListener {
    // A remembered signal; `used` slots are the signals, the others wait with their storage.
    struct Record {
        bool used = false;
        int channelId = 0;  // the band decoder's channel feeding it now; 0 = none
        ActiveSignal signal;
        std::string text;
        std::uint64_t callsSearchedAt = 0;
        std::vector<std::string> calls;
    };

    Impl(const BandDecoderConfig& config, double forget)
        : decoder(config), forgetSeconds(forget), records(kMaxSignals) {
        for (Record& r : records) {
            r.signal.recentText.reserve(kRecentCharacters);
            r.signal.calls.reserve(kMaxCalls * 12);
            r.text.reserve(kCallTextCharacters);
            r.calls.reserve(kMaxCalls);
        }
    }

    void clear() {
        decoder.reset();
        for (Record& r : records) {
            r.used = false;
        }
        nextId = 1;
    }

    Record* byChannel(int channelId) {
        for (Record& r : records) {
            if (r.used && r.channelId == channelId) {
                return &r;
            }
        }
        return nullptr;
    }

    // A quiet signal near `frequencyHz` to continue, else a free slot, else the one quiet for
    // longest; nullptr when every slot has a live signal.
    Record* recordFor(double frequencyHz) {
        Record* nearest = nullptr;
        Record* free = nullptr;
        Record* oldest = nullptr;
        for (Record& r : records) {
            if (!r.used) {
                free = free != nullptr ? free : &r;
            } else if (r.channelId == 0) {
                const double distance = std::abs(r.signal.frequencyHz - frequencyHz);
                if (distance <= kSameSignalHz &&
                    (nearest == nullptr ||
                     distance < std::abs(nearest->signal.frequencyHz - frequencyHz))) {
                    nearest = &r;
                }
                if (oldest == nullptr ||
                    r.signal.lastHeardSeconds < oldest->signal.lastHeardSeconds) {
                    oldest = &r;
                }
            }
        }
        if (nearest != nullptr) {
            return nearest;
        }
        Record* fresh = free != nullptr ? free : oldest;
        if (fresh != nullptr) {
            fresh->used = true;
            fresh->signal = ActiveSignal{};
            fresh->signal.id = nextId++;
            fresh->signal.recentText.clear();
            fresh->text.clear();
            fresh->calls.clear();
            fresh->callsSearchedAt = 0;
        }
        return fresh;
    }

    void follow(Record& r, const BandChannel& channel) {
        r.signal.frequencyHz = channel.frequencyHz;
        r.signal.mode = channel.mode;
        r.signal.speed = channel.speed;
        r.signal.snrDb = channel.snrDb;
        if (!std::isnan(channel.imdDb)) {
            r.signal.imdDb = channel.imdDb;
        }
        r.signal.lastHeardSeconds = decoder.seconds();
    }

    void channelStarted(const BandChannel& channel) override {
        if (Record* r = recordFor(channel.frequencyHz)) {
            r->channelId = channel.id;
            r->signal.live = true;
            follow(*r, channel);
        }
    }

    void character(const BandChannel& channel, std::uint8_t code) override {
        Record* r = byChannel(channel.id);
        if (r == nullptr) {
            return;
        }
        follow(*r, channel);
        ++r->signal.characters;
        Append(r->text, static_cast<char>(code), kCallTextCharacters);
        // Line breaks stay, so that a reader can tell where lines end; other control codes are
        // blanks.
        const bool lineBreak = code == '\r' || code == '\n';
        Append(r->signal.recentText, static_cast<char>(code < 0x20 && !lineBreak ? ' ' : code),
               kRecentCharacters);
    }

    void channelEnded(const BandChannel& channel) override {
        if (Record* r = byChannel(channel.id)) {
            r->channelId = 0;
            r->signal.live = false;
            r->signal.frequencyHz = channel.frequencyHz;
        }
    }

    // Keeps the newest `capacity` characters of `text`.
    static void Append(std::string& text, char c, std::size_t capacity) {
        if (text.size() >= capacity) {
            text.erase(0, text.size() - capacity + 1);
        }
        text.push_back(c);
    }

    void forgetQuiet() {
        const double now = decoder.seconds();
        for (Record& r : records) {
            if (r.used && r.channelId == 0 && now - r.signal.lastHeardSeconds > forgetSeconds) {
                r.used = false;
            }
        }
    }

    void searchCalls(Record& r) {
        if (r.callsSearchedAt == r.signal.characters) {
            return;
        }
        r.callsSearchedAt = r.signal.characters;
        // Only whole words: the last one may still be arriving ("QR9Z" of "QR9ZZ"), and once
        // the kept text is full its first one may have lost its start.
        std::string_view words(r.text);
        words = words.substr(0, std::min(words.size(), words.find_last_of(" \r\n") + 1));
        if (r.text.size() >= kCallTextCharacters) {
            const std::size_t first = words.find_first_of(" \r\n");
            words.remove_prefix(first == std::string_view::npos ? words.size() : first);
        }
        for (std::string& call : findCallSigns(words)) {
            if (r.calls.size() < kMaxCalls &&
                std::find(r.calls.begin(), r.calls.end(), call) == r.calls.end()) {
                r.calls.push_back(std::move(call));
            }
        }
        r.signal.calls.clear();
        for (const std::string& call : r.calls) {
            if (!r.signal.calls.empty()) {
                r.signal.calls.push_back(' ');
            }
            r.signal.calls += call;
        }
    }

    BandDecoder decoder;
    double forgetSeconds;
    std::vector<Record> records;
    int nextId = 1;
    std::uint64_t serial = 0;
};

BandActivity::BandActivity(const BandDecoderConfig& config, double forgetSeconds)
    : impl_(std::make_unique<Impl>(config, forgetSeconds)) {}

BandActivity::~BandActivity() = default;

void BandActivity::reset() {
    impl_->clear();
}

void BandActivity::process(std::span<const float> in) {
    impl_->decoder.process(in, *impl_);
    impl_->forgetQuiet();
}

double BandActivity::seconds() const {
    return impl_->decoder.seconds();
}

void BandActivity::snapshot(BandActivitySnapshot& out) {
    Impl& s = *impl_;
    // Live signals follow their receivers' latest frequency and figures.
    for (std::size_t i = 0; i < s.decoder.channelCount(); ++i) {
        const BandChannel channel = s.decoder.channel(i);
        if (Impl::Record* r = s.byChannel(channel.id)) {
            s.follow(*r, channel);
        }
    }
    std::size_t count = 0;
    for (Impl::Record& r : s.records) {
        if (!r.used) {
            continue;
        }
        s.searchCalls(r);
        if (out.signals.size() <= count) {
            out.signals.emplace_back();
        }
        out.signals[count++] = r.signal;
    }
    out.signals.resize(count);
    std::sort(
        out.signals.begin(), out.signals.end(),
        [](const ActiveSignal& a, const ActiveSignal& b) { return a.frequencyHz < b.frequencyHz; });
    out.seconds = s.decoder.seconds();
    out.serial = ++s.serial;
}

}  // namespace pskmodem
