#pragma once

#include <mutex>

namespace pskmodem {

// FFTW's planner is not thread-safe: every plan of this library is made and destroyed under this
// one lock, whichever object owns it. Executing a finished plan needs no lock.
std::mutex& fftwPlannerMutex();

}  // namespace pskmodem
