#include "station/report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ipfix_reader.h"
#include "udp_receiver.h"

namespace station {
namespace {

using testing::IpfixMessage;
using testing::IpfixReader;
using testing::UdpReceiver;

constexpr std::int64_t kStart = 1'796'738'400;
constexpr std::uint32_t kDomain = 77;

// A clock the test moves; shared, so that a reporter's thread never outlives it.
class TestClock {
  public:
    UnixClock clock() const {
        return [now = now_] { return now->load(); };
    }
    void set(std::int64_t unix) { now_->store(unix); }

  private:
    std::shared_ptr<std::atomic<std::int64_t>> now_ =
        std::make_shared<std::atomic<std::int64_t>>(kStart);
};

ReportSettings settingsFor(const UdpReceiver& receiver) {
    return ReportSettings{.receiver = {.call = "QR1SWL",
                                       .locator = "JO22dc",
                                       .software = "Quorvin 0.1.0",
                                       .antenna = "long wire"},
                          .host = "127.0.0.1",
                          .port = receiver.port()};
}

ReporterOptions withoutThread(std::int64_t firstSendAfter) {
    return ReporterOptions{
        .threaded = false, .firstSendAfterSeconds = firstSendAfter, .observationDomainId = kDomain};
}

Spot spot(const std::string& call, std::int64_t timeUnix, std::int64_t rfHz = 14'070'000) {
    return Spot{.call = call,
                .rfHz = rfHz,
                .mode = "PSK31",
                .snrDb = 10,
                .imdDb = -25,
                .locator = "",
                .timeUnix = timeUnix};
}

// The next datagram the receiver got, read by the strict reader (which keeps the templates).
std::optional<IpfixMessage> nextMessage(UdpReceiver& receiver, IpfixReader& reader,
                                        int* sourcePort = nullptr) {
    const std::optional<testing::Datagram> datagram = receiver.receive();
    if (!datagram) {
        ADD_FAILURE() << "no datagram";
        return std::nullopt;
    }
    if (sourcePort != nullptr) *sourcePort = datagram->sourcePort;
    std::string error;
    std::optional<IpfixMessage> message = reader.read(datagram->bytes, error);
    EXPECT_TRUE(message) << error;
    return message;
}

std::vector<std::uint16_t> setIds(const IpfixMessage& message) {
    std::vector<std::uint16_t> ids;
    for (const testing::ReadSet& set : message.sets) ids.push_back(set.id);
    return ids;
}

TEST(SpotReporter, OneDatagramInFiveMinutesTemplatesFirstThreeThenHourly) {
    struct Step {
        std::int64_t at;  // seconds after the start
        std::vector<std::string> offers;
        bool sends;
        bool templates;
        std::size_t spots;
        std::uint32_t sequence;
    };
    const Step steps[] = {
        {0, {"QR9ZZ", "QX2ABC", "QR7AA"}, false, false, 0, 0},
        {119, {}, false, false, 0, 0},  // the first goes at the phase, 120 s
        {120, {}, true, true, 3, 0},
        {130, {"QR7AB"}, false, false, 0, 0},
        {419, {}, false, false, 0, 0},
        {420, {}, true, true, 1, 4},  // three spots and the receiver's record before
        {500, {"QR7AC"}, false, false, 0, 0},
        {720, {}, true, true, 1, 6},  // the third with templates
        {1020, {"QR7AD"}, true, false, 1, 8},
        {1500, {}, false, false, 0, 0},         // nothing pending: nothing sent
        {4319, {"QR7AE"}, true, false, 1, 10},  // 3599 s after the last templates
        {4619, {"QR7AF"}, true, true, 1, 12},   // 3899 s: templates again
    };
    UdpReceiver receiver;
    TestClock clock;
    SpotReporter reporter(settingsFor(receiver), clock.clock(), withoutThread(120));
    EXPECT_EQ(reporter.status().nextSendUnix, kStart + 120);
    IpfixReader reader;
    std::uint64_t datagrams = 0;
    std::set<int> sourcePorts;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at);
        clock.set(kStart + step.at);
        for (const std::string& call : step.offers) {
            EXPECT_TRUE(reporter.offer(spot(call, kStart + step.at)));
        }
        reporter.poll();
        datagrams += step.sends ? 1 : 0;
        ASSERT_EQ(reporter.status().datagramsSent, datagrams);
        if (!step.sends) continue;
        int sourcePort = 0;
        const std::optional<IpfixMessage> message = nextMessage(receiver, reader, &sourcePort);
        ASSERT_TRUE(message);
        sourcePorts.insert(sourcePort);
        EXPECT_EQ(message->exportTime, kStart + step.at);
        EXPECT_EQ(message->sequenceNumber, step.sequence);
        EXPECT_EQ(message->observationDomainId, kDomain);
        EXPECT_EQ(message->spots.size(), step.spots);
        EXPECT_EQ(message->receivers.size(), 1u);
        const std::vector<std::uint16_t> sets = step.templates
                                                    ? std::vector<std::uint16_t>{2, 3, 257, 256}
                                                    : std::vector<std::uint16_t>{257, 256};
        EXPECT_EQ(setIds(*message), sets);
        EXPECT_EQ(reporter.status().pending, 0u);
        EXPECT_EQ(reporter.status().nextSendUnix, kStart + step.at + 300);
    }
    EXPECT_EQ(reporter.status().spotsSent, 8u);
    EXPECT_EQ(sourcePorts.size(), 1u);  // one socket, one source port, for the session
}

TEST(SpotReporter, EveryFieldOfTheFirstDatagram) {
    UdpReceiver receiver;
    TestClock clock;
    SpotReporter reporter(settingsFor(receiver), clock.clock(), withoutThread(0));
    Spot heard = spot("QX2ABC/P", kStart - 3, 7'040'250);
    heard.mode = "QPSK63";
    heard.snrDb = -7;
    heard.imdDb.reset();
    heard.locator = "KP20";
    ASSERT_TRUE(reporter.offer(heard));
    reporter.poll();
    IpfixReader reader;
    const std::optional<IpfixMessage> message = nextMessage(receiver, reader);
    ASSERT_TRUE(message);
    ASSERT_EQ(message->receivers.size(), 1u);
    EXPECT_EQ(message->receivers[0].call, "QR1SWL");
    EXPECT_EQ(message->receivers[0].locator, "JO22dc");
    EXPECT_EQ(message->receivers[0].software, "Quorvin 0.1.0");
    EXPECT_EQ(message->receivers[0].antenna, "long wire");
    ASSERT_EQ(message->spots.size(), 1u);
    const testing::ReadSpot& read = message->spots[0];
    EXPECT_EQ(read.call, "QX2ABC/P");
    EXPECT_EQ(read.frequencyHz, 7'040'250u);
    EXPECT_EQ(read.snrDb, -7);
    EXPECT_EQ(read.imdDb, std::nullopt);
    EXPECT_EQ(read.mode, "QPSK63");
    EXPECT_EQ(read.locator, "KP20");
    EXPECT_EQ(read.informationSource, 1);
    EXPECT_EQ(read.flowStartSeconds, kStart - 3);
}

TEST(SpotReporter, AFullDatagramGoesAtOnceTheRestWaits) {
    UdpReceiver receiver;
    TestClock clock;
    SpotReporter reporter(settingsFor(receiver), clock.clock(), withoutThread(200));
    for (int i = 0; i < 120; ++i) {
        ASSERT_TRUE(reporter.offer(spot(
            "QR" + std::to_string(i % 10) + "A" + std::string(1, static_cast<char>('A' + i / 10)),
            kStart)));
    }
    clock.set(kStart + 10);
    reporter.poll();
    IpfixReader reader;
    std::uint32_t sequence = 0;
    std::size_t sent = 0;
    for (int i = 0; i < 2; ++i) {
        const std::optional<IpfixMessage> message = nextMessage(receiver, reader);
        ASSERT_TRUE(message);
        EXPECT_LE(message->length, 1400u);
        EXPECT_GE(message->spots.size(), 45u);
        EXPECT_EQ(message->sequenceNumber, sequence);
        sequence += static_cast<std::uint32_t>(message->spots.size() + 1);
        sent += message->spots.size();
    }
    ReportStatus status = reporter.status();
    EXPECT_EQ(status.datagramsSent, 2u);
    EXPECT_EQ(status.pending, 120 - sent);
    // The rest does not fill one: it waits for its time.
    clock.set(kStart + 199);
    reporter.poll();
    EXPECT_EQ(reporter.status().datagramsSent, 2u);
    clock.set(kStart + 200);
    reporter.poll();
    const std::optional<IpfixMessage> last = nextMessage(receiver, reader);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->spots.size(), 120 - sent);
    EXPECT_EQ(last->sequenceNumber, sequence);
    status = reporter.status();
    EXPECT_EQ(status.spotsSent, 120u);
    EXPECT_EQ(status.pending, 0u);
}

TEST(SpotReporter, ACallOncePerBandIn30MinutesAndABoundedQueue) {
    struct Offer {
        std::string call;
        std::int64_t rfHz;
        std::int64_t at;
        bool taken;
    };
    const Offer offers[] = {
        {"QR9ZZ", 14'070'000, 0, true},
        {"QR9ZZ", 14'071'000, 1799, false},  // the same band
        {"QR9ZZ", 7'040'000, 60, true},      // another band
        {"QX2ABC", 14'070'000, 60, true},
        {"QR9ZZ", 14'070'000, 1800, true},
        {"QR9ZZ", 14'070'000, 1000, false},  // a spot told late
        {"QR9ZZ", 14'070'000, 3599, false},
        {"QR7AA", 5'000'000, 0, true},  // outside the bands: by the megahertz
        {"QR7AA", 5'000'900, 10, false},
        {"QR7AA", 6'000'000, 10, true},
        {"", 14'070'000, 0, false},           // no call
        {"QR7AB", 0, 0, false},               // no frequency
        {"QR7AC", 10'368'100'000, 0, false},  // too high for the report's 32 bits
    };
    UdpReceiver receiver;
    TestClock clock;
    SpotReporter reporter(settingsFor(receiver), clock.clock(), withoutThread(100));
    std::size_t taken = 0;
    for (const Offer& o : offers) {
        EXPECT_EQ(reporter.offer(spot(o.call, kStart + o.at, o.rfHz)), o.taken)
            << o.call << " " << o.rfHz << " at " << o.at;
        taken += o.taken ? 1 : 0;
    }
    EXPECT_EQ(reporter.status().pending, taken);
    for (std::size_t i = taken; i < kMaxPendingSpots; ++i) {
        ASSERT_TRUE(reporter.offer(spot("QR1A" + std::to_string(i), kStart)));
    }
    EXPECT_FALSE(reporter.offer(spot("QR2NEW", kStart)));
    EXPECT_EQ(reporter.status().pending, kMaxPendingSpots);
    // A spot refused for a full queue is not taken for reported.
    clock.set(kStart + 100);
    reporter.poll();
    EXPECT_LT(reporter.status().pending, kMaxPendingSpots);
    EXPECT_TRUE(reporter.offer(spot("QR2NEW", kStart)));
}

TEST(SpotReporter, ARandomPhaseAndObservationDomainPerSession) {
    UdpReceiver receiver;
    TestClock clock;
    std::set<std::int64_t> phases;
    std::set<std::uint32_t> domains;
    IpfixReader reader;
    ReporterOptions random;
    random.threaded = false;
    for (int i = 0; i < 8; ++i) {
        SpotReporter reporter(settingsFor(receiver), clock.clock(), random);
        const std::int64_t next = reporter.status().nextSendUnix;
        EXPECT_GE(next, kStart);
        EXPECT_LT(next, kStart + 300);
        phases.insert(next);
        ASSERT_TRUE(reporter.offer(spot("QR9ZZ", kStart)));
        // Sent at the latest when the reporter ends.
    }
    for (int i = 0; i < 8; ++i) {
        const std::optional<IpfixMessage> message = nextMessage(receiver, reader);
        ASSERT_TRUE(message);
        domains.insert(message->observationDomainId);
    }
    // Eight draws from 300 phases and 2^32 domains: the same every time would be no chance.
    EXPECT_GT(phases.size(), 1u);
    EXPECT_GT(domains.size(), 1u);
}

TEST(SpotReporter, ItsThreadSendsWhenDueAndWhatIsPendingAtTheEnd) {
    UdpReceiver receiver;
    TestClock clock;
    IpfixReader reader;
    {
        SpotReporter reporter(
            settingsFor(receiver), clock.clock(),
            ReporterOptions{.firstSendAfterSeconds = 0, .observationDomainId = 9});
        ASSERT_TRUE(reporter.offer(spot("QR9ZZ", kStart)));
        std::optional<IpfixMessage> message = nextMessage(receiver, reader);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->spots.size(), 1u);

        // Not due until the clock moves; the thread is woken to look at it. Sent earlier, the
        // datagram would carry the earlier time.
        ASSERT_TRUE(reporter.offer(spot("QX2ABC", kStart + 5)));
        clock.set(kStart + 300);
        reporter.poll();
        message = nextMessage(receiver, reader);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->exportTime, kStart + 300);
        ASSERT_EQ(message->spots.size(), 1u);
        EXPECT_EQ(message->spots[0].call, "QX2ABC");

        // Pending at the end.
        ASSERT_TRUE(reporter.offer(spot("QR7AA", kStart + 310)));
    }
    const std::optional<IpfixMessage> last = nextMessage(receiver, reader);
    ASSERT_TRUE(last);
    ASSERT_EQ(last->spots.size(), 1u);
    EXPECT_EQ(last->spots[0].call, "QR7AA");
    EXPECT_EQ(last->sequenceNumber, 4u);
}

TEST(SpotReporter, ANameThatDoesNotResolveIsAnErrorTriedAgainAMinuteLater) {
    UdpReceiver receiver;
    TestClock clock;
    auto resolves = std::make_shared<std::atomic<bool>>(false);
    auto tries = std::make_shared<std::atomic<int>>(0);
    ReporterOptions options = withoutThread(0);
    options.resolve = [resolves, tries](const std::string& host,
                                        std::string& error) -> std::optional<std::string> {
        ++*tries;
        if (resolves->load()) return "127.0.0.1";
        error = "no such host " + host;
        return std::nullopt;
    };
    ReportSettings settings = settingsFor(receiver);
    settings.host = "reports.example";
    SpotReporter reporter(settings, clock.clock(), options);
    ASSERT_TRUE(reporter.offer(spot("QR9ZZ", kStart)));
    reporter.poll();
    ReportStatus status = reporter.status();
    EXPECT_EQ(status.lastError, "Cannot resolve reports.example: no such host reports.example");
    EXPECT_EQ(status.pending, 1u);
    EXPECT_EQ(status.datagramsSent, 0u);

    clock.set(kStart + 59);
    reporter.poll();
    EXPECT_EQ(tries->load(), 1);  // not again within the minute
    resolves->store(true);
    clock.set(kStart + 60);
    reporter.poll();
    status = reporter.status();
    EXPECT_EQ(status.lastError, "");
    EXPECT_EQ(status.spotsSent, 1u);
    EXPECT_TRUE(receiver.receive());
}

TEST(SpotReporter, AResolutionThatHangsDoesNotHoldUpTheEnd) {
    UdpReceiver receiver;
    TestClock clock;
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
        bool returned = false;
    };
    auto gate = std::make_shared<Gate>();
    ReporterOptions options{.firstSendAfterSeconds = 100,
                            .observationDomainId = 1,
                            .closeTimeout = std::chrono::milliseconds(200)};
    options.resolve = [gate](const std::string&, std::string& error) -> std::optional<std::string> {
        std::unique_lock lock(gate->mutex);
        gate->opened.wait_for(lock, std::chrono::seconds(20), [&] { return gate->open; });
        gate->returned = true;
        gate->opened.notify_all();
        error = "timed out";
        return std::nullopt;
    };
    const auto before = std::chrono::steady_clock::now();
    {
        SpotReporter reporter(settingsFor(receiver), clock.clock(), options);
        ASSERT_TRUE(reporter.offer(spot("QR9ZZ", kStart)));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    // Let the thread left behind end.
    std::unique_lock lock(gate->mutex);
    gate->open = true;
    gate->opened.notify_all();
    EXPECT_TRUE(
        gate->opened.wait_for(lock, std::chrono::seconds(10), [&] { return gate->returned; }));
}

}  // namespace
}  // namespace station
