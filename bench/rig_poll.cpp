// What reading the rig costs: the rig poller reading the dial once a second for a while, and
// the CPU time this process spends on it, against hamlib's in-process dummy rig or rigctld at
// HOST:PORT; then a burst of back-to-back reads for the cost of one.
//
//   bench_rig_poll [HOST:PORT] [seconds]     (default: the dummy rig, 20 seconds)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "station/rig.h"

namespace {

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    station::RigAddress address{.model = station::kDummyRigModel, .port = {}, .speed = 0};
    if (argc > 1 && std::string(argv[1]) != "dummy") {
        address = station::RigAddress::daemon(argv[1]);
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    std::printf("rig: %s, %d s of polling once a second\n", address.describe().c_str(), seconds);

    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::uint64_t polls = 0;
    station::RigStatus last;
    {
        station::RigPoller poller(address, std::chrono::milliseconds(1000), nullptr);
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        polls = poller.polls();
        last = poller.status();
    }
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    if (last.state != station::RigStatus::State::Answering) {
        std::printf("the rig does not answer: %s\n", last.error.c_str());
        return 1;
    }
    std::printf("polls: %llu, CPU %.1f ms in %.1f s: %.3f %% of one core, %.2f ms per poll\n",
                static_cast<unsigned long long>(polls), cpu * 1e3, wall, 100.0 * cpu / wall,
                polls > 0 ? cpu * 1e3 / static_cast<double>(polls) : 0.0);

    constexpr int kBurst = 200;
    station::RigConnection rig(address);
    rig.read();  // opens it
    const double burstCpuBefore = processCpuSeconds();
    const auto burstBefore = std::chrono::steady_clock::now();
    for (int i = 0; i < kBurst; ++i) {
        if (!rig.read().reading) {
            std::printf("a read failed\n");
            return 1;
        }
    }
    const double burstWall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - burstBefore).count();
    std::printf("one read (frequency and mode): %.3f ms wall, %.3f ms CPU\n",
                burstWall * 1e3 / kBurst, (processCpuSeconds() - burstCpuBefore) * 1e3 / kBurst);
    return 0;
}
