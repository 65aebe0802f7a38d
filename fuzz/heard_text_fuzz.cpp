// What decoded text from the air does to the call-sign confirmation: the input split into
// pieces for a few signals, as received characters arrive.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "station/heard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    station::confirmedCalls(input);
    station::CallConfirmer confirmer;
    // Each piece starts with a byte that names the signal and the piece's length.
    for (std::size_t at = 0; at < input.size();) {
        const auto code = static_cast<std::uint8_t>(input[at]);
        const std::size_t length = std::min<std::size_t>(code % 64, input.size() - at - 1);
        confirmer.add(code / 64, input.substr(at + 1, length));
        at += 1 + length;
    }
    for (int id = 0; id < 4; ++id) confirmer.end(id);
    return 0;
}
