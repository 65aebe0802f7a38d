#include "settings/engine_arguments.h"

#include <cmath>
#include <limits>

#include "platform/number_text.h"

namespace KVXmodules {

std::int32_t EngineArgument(double value) noexcept {
    if (const auto converted = ToInt32(value)) {
        return *converted;
    }
    if (std::isnan(value)) {
        return 0;
    }
    return value < 0 ? std::numeric_limits<std::int32_t>::min()
                     : std::numeric_limits<std::int32_t>::max();
}

}  // namespace KVXmodules
