#pragma once

// What the main window's display tick keeps between ticks: the waterfall's tables, and what
// the phase indicator and the quality bar show, so that one whose values did not change is
// not drawn and repainted again.

#include <QSize>
#include <array>
#include <cstdint>
#include <optional>

#include "display/waterfall.h"
#include "platform/psk_engine.h"

namespace receiver {

struct DisplayState {
    Waterfall waterfall;
    std::optional<std::array<std::int32_t, platform::kVectorDataSize>> indicatorVector;
    std::optional<std::int32_t> barQuality;
    QSize barSize;
};

}  // namespace receiver
