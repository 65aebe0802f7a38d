// The locator calculator on any two strings (home and target, split at the first line break):
// each step on the raw text, and the whole calculation where the window would run it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "locator/locator_calc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string_view home = input.substr(0, split);
    const std::string_view target =
        split == std::string_view::npos ? home : input.substr(split + 1);

    for (const std::string_view text : {home, target}) {
        const std::string folded = locator::FoldLocatorCase(std::string(text));
        if (locator::IsValidLocator(folded)) {
            locator::LocatorPosition(locator::CompleteLocator(folded));
        }
        locator::IsMissingLocator(text);
    }
    if (locator::HasLocatorLength(home.size()) && locator::HasLocatorLength(target.size())) {
        locator::LocatorTexts texts;
        texts.HomeLocator = home;
        texts.TargetLocator = target;
        locator::LocatorCalc(texts);
    }
    return 0;
}
