// The heard log's reading of an ADIF file that is already there, whatever it holds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "station/heard_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    station::loggedTimes(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
