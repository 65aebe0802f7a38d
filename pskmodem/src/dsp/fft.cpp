#include "pskmodem/dsp/fft.h"

#include <fftw3.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <stdexcept>

namespace pskmodem {
namespace {

// FFTW's planner is not thread-safe: every plan of this library is made and destroyed under this
// one lock, whichever object owns it. Executing a finished plan needs no lock.
std::mutex& plannerMutex() {
    static std::mutex mutex;
    return mutex;
}

// std::complex<float> and fftwf_complex (float[2]) have the same layout; the buffers are
// allocated by FFTW as fftwf_complex and handed out as std::complex<float>.
fftwf_complex* asFftw(std::complex<float>* z) {
    return reinterpret_cast<fftwf_complex*>(z);
}

std::complex<float>* asComplex(fftwf_complex* z) {
    return reinterpret_cast<std::complex<float>*>(z);
}

fftwf_plan asPlan(void* plan) {
    return static_cast<fftwf_plan>(plan);
}

void checkSize(int size) {
    if (size < 2) throw std::invalid_argument("FFT: the size must be at least 2");
}

}  // namespace

RealFft::RealFft(int size) : size_(size) {
    checkSize(size);
    const auto bins = static_cast<std::size_t>(size / 2 + 1);
    const std::lock_guard lock(plannerMutex());
    in_ = fftwf_alloc_real(static_cast<std::size_t>(size));
    out_ = asComplex(fftwf_alloc_complex(bins));
    if (in_ != nullptr && out_ != nullptr) {
        std::fill_n(in_, size, 0.0F);
        // FFTW_ESTIMATE plans without running trial transforms, so the buffers are not touched
        // and the same plan, with the same results, comes out on every run.
        plan_ = fftwf_plan_dft_r2c_1d(size, in_, asFftw(out_), FFTW_ESTIMATE);
    }
    if (plan_ == nullptr) {
        fftwf_free(in_);
        fftwf_free(out_);
        throw std::bad_alloc();
    }
}

RealFft::~RealFft() {
    const std::lock_guard lock(plannerMutex());
    fftwf_destroy_plan(asPlan(plan_));
    fftwf_free(in_);
    fftwf_free(out_);
}

void RealFft::execute() {
    fftwf_execute(asPlan(plan_));
}

ComplexFft::ComplexFft(int size) : size_(size) {
    checkSize(size);
    const auto n = static_cast<std::size_t>(size);
    const std::lock_guard lock(plannerMutex());
    in_ = asComplex(fftwf_alloc_complex(n));
    out_ = asComplex(fftwf_alloc_complex(n));
    if (in_ != nullptr && out_ != nullptr) {
        std::fill_n(in_, n, std::complex<float>{});
        plan_ = fftwf_plan_dft_1d(size, asFftw(in_), asFftw(out_), FFTW_FORWARD, FFTW_ESTIMATE);
    }
    if (plan_ == nullptr) {
        fftwf_free(in_);
        fftwf_free(out_);
        throw std::bad_alloc();
    }
}

ComplexFft::~ComplexFft() {
    const std::lock_guard lock(plannerMutex());
    fftwf_destroy_plan(asPlan(plan_));
    fftwf_free(in_);
    fftwf_free(out_);
}

void ComplexFft::execute() {
    fftwf_execute(asPlan(plan_));
}

}  // namespace pskmodem
