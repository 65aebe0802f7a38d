#include "pskmodem/sources/spsc_ring.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <thread>
#include <vector>

namespace pskmodem {
namespace {

TEST(SpscRingTest, CapacityIsRoundedUpToAPowerOfTwo) {
    EXPECT_EQ(SpscRing<float>(1).capacity(), 1u);
    EXPECT_EQ(SpscRing<float>(5).capacity(), 8u);
    EXPECT_EQ(SpscRing<float>(1024).capacity(), 1024u);
    EXPECT_EQ(SpscRing<float>(1025).capacity(), 2048u);
    EXPECT_THROW(SpscRing<float>(0), std::invalid_argument);
}

TEST(SpscRingTest, FullAndEmptyEdgesOnOneThread) {
    SpscRing<int> ring(8);
    std::array<int, 16> out{};
    EXPECT_TRUE(ring.empty());
    EXPECT_EQ(ring.pop(out), 0u) << "an empty ring yields nothing";

    const std::array<int, 10> in{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(ring.push(in), 8u) << "a push stops at capacity";
    EXPECT_EQ(ring.size(), 8u);
    EXPECT_EQ(ring.push(std::span<const int>(in).first(1)), 0u) << "a full ring takes nothing";

    EXPECT_EQ(ring.pop(std::span<int>(out).first(3)), 3u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 2);
    // Three slots came free; this push wraps around the end of the buffer.
    EXPECT_EQ(ring.push(std::span<const int>(in).subspan(8, 2)), 2u);
    EXPECT_EQ(ring.size(), 7u);

    EXPECT_EQ(ring.pop(out), 7u);
    const std::array<int, 7> expected{3, 4, 5, 6, 7, 8, 9};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(out[i], expected[i]) << "at " << i;
    }
    EXPECT_TRUE(ring.empty());
    EXPECT_EQ(ring.push(std::span<const int>()), 0u);
    EXPECT_EQ(ring.pop(std::span<int>()), 0u);

    ring.push(in);
    ring.clear();
    EXPECT_TRUE(ring.empty());
    EXPECT_EQ(ring.push(in), 8u) << "a cleared ring has its whole capacity again";
}

TEST(SpscRingTest, ManyWrapsKeepOrderOnOneThread) {
    SpscRing<std::uint32_t> ring(16);
    std::uint32_t nextIn = 0;
    std::uint32_t nextOut = 0;
    std::array<std::uint32_t, 13> chunk{};
    std::array<std::uint32_t, 11> out{};
    for (int round = 0; round < 10000; ++round) {
        const std::size_t want = 1 + static_cast<std::size_t>(round) % chunk.size();
        for (std::size_t i = 0; i < want; ++i) {
            chunk[i] = nextIn + static_cast<std::uint32_t>(i);
        }
        nextIn += static_cast<std::uint32_t>(ring.push(std::span(chunk).first(want)));
        const std::size_t got =
            ring.pop(std::span(out).first(1 + static_cast<std::size_t>(round) % 7));
        for (std::size_t i = 0; i < got; ++i) {
            ASSERT_EQ(out[i], nextOut++);
        }
    }
    EXPECT_GT(nextOut, 10000u);
}

// A producer and a consumer on two threads, with chunk sizes that never line up with the
// capacity: every value arrives exactly once and in order.
TEST(SpscRingTest, TwoThreadsMillionsOfValuesNoLossNoReorder) {
    constexpr std::uint32_t kTotal = 4'000'000;
    SpscRing<std::uint32_t> ring(1000);  // 1024 slots: many wraps and many full/empty moments

    std::thread producer([&ring] {
        std::array<std::uint32_t, 97> chunk{};
        const std::array<std::size_t, 5> sizes{1, 7, 31, 97, 64};
        std::uint32_t next = 0;
        std::size_t turn = 0;
        while (next < kTotal) {
            const std::size_t want =
                std::min<std::size_t>(sizes[turn++ % sizes.size()], kTotal - next);
            for (std::size_t i = 0; i < want; ++i) {
                chunk[i] = next + static_cast<std::uint32_t>(i);
            }
            std::size_t done = 0;
            while (done < want) {
                const std::size_t pushed = ring.push(std::span(chunk).subspan(done, want - done));
                done += pushed;
                if (pushed == 0) {
                    std::this_thread::yield();
                }
            }
            next += static_cast<std::uint32_t>(want);
        }
    });

    std::array<std::uint32_t, 113> out{};
    const std::array<std::size_t, 4> sizes{113, 3, 50, 1};
    std::uint32_t expected = 0;
    std::size_t turn = 0;
    std::uint64_t mismatches = 0;
    while (expected < kTotal) {
        const std::size_t got = ring.pop(std::span(out).first(sizes[turn++ % sizes.size()]));
        if (got == 0) {
            std::this_thread::yield();
            continue;
        }
        for (std::size_t i = 0; i < got; ++i) {
            if (out[i] != expected) {
                ++mismatches;
            }
            ++expected;
        }
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(expected, kTotal);
    EXPECT_TRUE(ring.empty()) << "nothing beyond the last value";
}

}  // namespace
}  // namespace pskmodem
