#pragma once

// A lock-free ring buffer between exactly one producer thread and exactly one consumer thread.
// It carries audio from a capture callback (which must neither lock nor allocate) to the DSP
// thread.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <type_traits>

namespace pskmodem {

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "the ring copies elements bytewise");

  public:
    // Allocates room for at least `minCapacity` elements, rounded up to a power of two.
    explicit SpscRing(std::size_t minCapacity) : capacity_(roundUpToPowerOfTwo(minCapacity)) {
        mask_ = capacity_ - 1;
        buffer_ = std::make_unique<T[]>(capacity_);
    }

    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    std::size_t capacity() const noexcept { return capacity_; }

    // Producer only: copies as many leading elements of `in` as there is room for and returns
    // how many it copied (0 when the ring is full).
    std::size_t push(std::span<const T> in) noexcept {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        std::size_t free = capacity_ - (head - producerTail_);
        if (free < in.size()) {
            // The cached view of the consumer may be stale; refresh it only when it matters.
            producerTail_ = tail_.load(std::memory_order_acquire);
            free = capacity_ - (head - producerTail_);
        }
        const std::size_t count = std::min(free, in.size());
        if (count == 0) {
            return 0;
        }
        const std::size_t start = head & mask_;
        const std::size_t firstPart = std::min(count, capacity_ - start);
        std::copy_n(in.data(), firstPart, buffer_.get() + start);
        std::copy_n(in.data() + firstPart, count - firstPart, buffer_.get());
        head_.store(head + count, std::memory_order_release);
        return count;
    }

    // Consumer only: moves up to out.size() of the oldest elements into `out` and returns how
    // many it moved (0 when the ring is empty).
    std::size_t pop(std::span<T> out) noexcept {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        std::size_t available = consumerHead_ - tail;
        if (available < out.size()) {
            consumerHead_ = head_.load(std::memory_order_acquire);
            available = consumerHead_ - tail;
        }
        const std::size_t count = std::min(available, out.size());
        if (count == 0) {
            return 0;
        }
        const std::size_t start = tail & mask_;
        const std::size_t firstPart = std::min(count, capacity_ - start);
        std::copy_n(buffer_.get() + start, firstPart, out.data());
        std::copy_n(buffer_.get(), count - firstPart, out.data() + firstPart);
        tail_.store(tail + count, std::memory_order_release);
        return count;
    }

    // Either side: elements currently stored. Exact only when the other side is idle.
    std::size_t size() const noexcept {
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        const std::size_t head = head_.load(std::memory_order_acquire);
        return head - tail;
    }

    bool empty() const noexcept { return size() == 0; }

    // Empties the ring. Only while neither side is using it (e.g. before a stream starts).
    void clear() noexcept {
        head_.store(0, std::memory_order_relaxed);
        tail_.store(0, std::memory_order_relaxed);
        producerTail_ = 0;
        consumerHead_ = 0;
    }

  private:
    static std::size_t roundUpToPowerOfTwo(std::size_t n) {
        if (n == 0) {
            throw std::invalid_argument("SpscRing capacity must be positive");
        }
        std::size_t capacity = 1;
        while (capacity < n) {
            if (capacity > (SIZE_MAX >> 1)) {
                throw std::length_error("SpscRing capacity too large");
            }
            capacity <<= 1;
        }
        return capacity;
    }

    // Kept apart on their own cache lines so that the two threads do not bounce one line
    // between their cores on every push and pop. 64 bytes covers common x86 and ARM cores.
    static constexpr std::size_t kCacheLine = 64;

    // Indices count elements ever pushed/popped and wrap modulo 2^64; the mask maps them
    // into the buffer.
    alignas(kCacheLine) std::atomic<std::size_t> head_{0};  // written by the producer
    std::size_t producerTail_ = 0;                          // producer's copy of tail_

    alignas(kCacheLine) std::atomic<std::size_t> tail_{0};  // written by the consumer
    std::size_t consumerHead_ = 0;                          // consumer's copy of head_

    alignas(kCacheLine) std::size_t capacity_;
    std::size_t mask_ = 0;
    std::unique_ptr<T[]> buffer_;
};

}  // namespace pskmodem
