// quorvin-decode's option parser on any argument list (the input split at NUL bytes).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "decode_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    quorvin::decode::parseDecodeOptions(args);
    return 0;
}
