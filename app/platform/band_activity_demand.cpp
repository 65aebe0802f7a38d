#include "platform/band_activity_demand.h"

#include <algorithm>

#include "platform/psk_engine.h"

namespace platform {

void BandActivityDemand::need(User user, bool on) {
    const bool before = needed();
    users_[static_cast<std::size_t>(user)] = on;
    const bool after = needed();
    if (after != before) {
        engine_.fnSetBandActivity(after ? 1 : 0);
    }
}

bool BandActivityDemand::needed() const noexcept {
    return std::ranges::any_of(users_, [](bool on) { return on; });
}

}  // namespace platform
