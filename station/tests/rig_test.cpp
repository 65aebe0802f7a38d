#include "station/rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "rig_daemon.h"

namespace {

using namespace std::chrono_literals;
using station::RigStatus;
using station::testing::RigDaemon;

// Waits up to `limit` for `condition`; returns how long it took, or nothing.
std::optional<std::chrono::milliseconds> waitFor(std::chrono::milliseconds limit,
                                                 const std::function<bool()>& condition) {
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < limit) {
        if (condition()) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
        }
        std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
}

TEST(RigTest, DummyRigInProcessGivesFrequencyAndMode) {
    station::RigConnection rig(
        station::RigAddress{.model = station::kDummyRigModel, .port = {}, .speed = 0});
    const station::RigRead got = rig.read();
    ASSERT_TRUE(got.reading) << got.error;
    EXPECT_GT(got.reading->dialHz, 0);
    EXPECT_FALSE(got.reading->mode.empty());
    EXPECT_TRUE(rig.isOpen());
}

TEST(RigTest, ModelListHoldsTheDummyAndTheDaemonClient) {
    const auto models = station::rigModels();
    EXPECT_GT(models.size(), 100u);
    const auto has = [&](int model) {
        return std::any_of(models.begin(), models.end(),
                           [&](const station::RigModel& m) { return m.model == model; });
    };
    EXPECT_TRUE(has(station::kDummyRigModel));
    EXPECT_TRUE(has(station::kNetworkRigModel));
}

TEST(RigTest, UnknownModelIsAClearError) {
    station::RigConnection rig(station::RigAddress{.model = 999999, .port = {}, .speed = 0});
    const station::RigRead got = rig.read();
    EXPECT_FALSE(got.reading);
    EXPECT_NE(got.error.find("rig model 999999"), std::string::npos) << got.error;
}

TEST(RigTest, PortNobodyListensOnIsAClearErrorWithinSeconds) {
    const int port = station::testing::freeLoopbackPort();
    station::RigConnection rig(station::RigAddress::daemon("127.0.0.1:" + std::to_string(port)));
    const auto start = std::chrono::steady_clock::now();
    const station::RigRead got = rig.read();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(got.reading);
    EXPECT_NE(got.error.find("rigctld at 127.0.0.1:" + std::to_string(port)), std::string::npos)
        << got.error;
}

TEST(RigTest, DaemonReadingChangesAndAComebackAreFollowed) {
    RigDaemon daemon(QUORVIN_RIGCTLD, station::testing::freeLoopbackPort());
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(14'070'000));
    ASSERT_TRUE(daemon.setMode("USB"));

    std::mutex mutex;
    std::vector<RigStatus> notices;
    station::RigPoller poller(station::RigAddress::daemon(daemon.hostPort()), 1000ms,
                              [&](const RigStatus& status) {
                                  const std::lock_guard lock(mutex);
                                  notices.push_back(status);
                              });
    const auto dialIs = [&](std::int64_t hz, const char* mode) {
        const RigStatus s = poller.status();
        return s.state == RigStatus::State::Answering && s.reading->dialHz == hz &&
               s.reading->mode == mode;
    };
    ASSERT_TRUE(waitFor(3000ms, [&] { return dialIs(14'070'000, "USB"); }));

    // A change by another program sharing the rig is seen within two seconds.
    ASSERT_TRUE(daemon.setFrequency(7'040'000));
    ASSERT_TRUE(daemon.setMode("LSB"));
    const auto seen = waitFor(2000ms, [&] { return dialIs(7'040'000, "LSB"); });
    ASSERT_TRUE(seen);
    EXPECT_EQ(poller.status().reading->sideband, station::Sideband::Lower);
    std::printf("dial change seen after %lld ms\n", static_cast<long long>(seen->count()));

    // The daemon gone: a notice within three seconds, and status() never waits on the rig.
    daemon.stop();
    const auto lost =
        waitFor(3000ms, [&] { return poller.status().state == RigStatus::State::NotAnswering; });
    ASSERT_TRUE(lost);
    EXPECT_NE(poller.status().error.find(daemon.hostPort()), std::string::npos);
    const auto before = std::chrono::steady_clock::now();
    (void)poller.status();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 50ms);

    // Back again: the poller connects by itself.
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(3'580'000));
    ASSERT_TRUE(daemon.setMode("USB"));
    ASSERT_TRUE(waitFor(4000ms, [&] { return dialIs(3'580'000, "USB"); })) << poller.status().error;

    const std::lock_guard lock(mutex);
    ASSERT_GE(notices.size(), 4u);
    const auto lostNotices = std::count_if(notices.begin(), notices.end(), [](const RigStatus& s) {
        return s.state == RigStatus::State::NotAnswering;
    });
    EXPECT_GE(lostNotices, 1);
    EXPECT_EQ(notices.back().state, RigStatus::State::Answering);
}

TEST(RigTest, PollerStopsPromptlyWhileTheRigIsMissing) {
    const int port = station::testing::freeLoopbackPort();
    const auto start = std::chrono::steady_clock::now();
    {
        station::RigPoller poller(station::RigAddress::daemon("127.0.0.1:" + std::to_string(port)),
                                  1000ms, nullptr);
        ASSERT_TRUE(waitFor(3000ms, [&] { return poller.polls() > 0; }));
        EXPECT_EQ(poller.status().state, RigStatus::State::NotAnswering);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

}  // namespace
