#include "dsp/fftw_planner.h"

namespace pskmodem {

std::mutex& fftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace pskmodem
