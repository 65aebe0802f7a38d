#pragma once

// The shared receive state of the module APIStuff: what the engine's messages leave behind
// for the main window's timer ticks. One instance belongs to the main window; everything in it
// is read and written on the user-interface thread only.

#include <QString>
#include <array>
#include <cstdint>

#include "platform/psk_engine.h"
#include "platform/window_proc.h"

namespace APIStuff {

struct ReceiverBuffers {
    std::int32_t ActiveFrequency = 0;  // Hz, from the last spectrum message
    std::int32_t SignalQuality = 0;    // percent, from the last spectrum message
    std::array<std::int32_t, platform::kFFTDataSize> FFTData{};        // the newest spectrum
    std::array<std::int32_t, platform::kVectorDataSize> VectorData{};  // the phase vector
    // Received characters waiting for the text flush; a received CR is kept as CR CR LF.
    QString RxTextBuffer;
    // The main window's procedure before EngineWindowProc was installed.
    platform::WindowProc PreviousWindowProc;
};

}  // namespace APIStuff
