#pragma once

// Forward FFTs of a fixed size over FFTW's single-precision plans, so that FFTW is known to
// this pair of classes only. Each object owns its input and output buffers (aligned as FFTW
// wants them for its vector code) and the plan that transforms one into the other. Plans are made
// and destroyed under one library-wide lock, because FFTW's planner is not thread-safe; running
// a finished plan needs none, so execute() never locks or allocates.

#include <complex>
#include <span>

namespace pskmodem {

// Real input of `size` samples to its `size` / 2 + 1 non-negative frequency bins.
class RealFft {
  public:
    // Throws std::invalid_argument for a size below 2, std::bad_alloc when FFTW has no memory or
    // no plan. The input starts out zero.
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return size_; }
    std::span<float> input() { return {in_, static_cast<std::size_t>(size_)}; }
    std::span<const std::complex<float>> output() const {
        return {out_, static_cast<std::size_t>(size_ / 2 + 1)};
    }
    void execute();

  private:
    int size_;
    float* in_ = nullptr;
    std::complex<float>* out_ = nullptr;
    void* plan_ = nullptr;
};

// Complex input of `size` samples to its `size` bins (negative frequencies in the upper half).
class ComplexFft {
  public:
    // Throws std::invalid_argument for a size below 2, std::bad_alloc when FFTW has no memory or
    // no plan. The input starts out zero.
    explicit ComplexFft(int size);
    ~ComplexFft();
    ComplexFft(const ComplexFft&) = delete;
    ComplexFft& operator=(const ComplexFft&) = delete;

    int size() const { return size_; }
    std::span<std::complex<float>> input() { return {in_, static_cast<std::size_t>(size_)}; }
    std::span<const std::complex<float>> output() const {
        return {out_, static_cast<std::size_t>(size_)};
    }
    void execute();

  private:
    int size_;
    std::complex<float>* in_ = nullptr;
    std::complex<float>* out_ = nullptr;
    void* plan_ = nullptr;
};

}  // namespace pskmodem
