// quorvin-locator HOME TARGET: the locator calculator on the command line.
//
// Prints the distance in km, the azimuth in degrees and the target's longitude (west positive)
// and latitude, as the calculator window shows them, tab-separated on one line. A locator the
// window would refuse gets the window's message on stderr and exit status 2, as does a
// missing argument (with a usage line).

#include <cstdio>
#include <string>
#include <string_view>

#include "locator/locator_calc.h"

namespace {

constexpr std::string_view kProgram = "quorvin-locator";
constexpr int kBadInput = 2;

void printUsage(std::FILE* stream) {
    std::fprintf(stream, "usage: %s HOME TARGET   (Maidenhead locators of 4 to 6 characters)\n",
                 kProgram.data());
}

// The argument as the window would hold it: one byte per character. UTF-8 is decoded; a
// character beyond Latin-1, or a byte that is not UTF-8, becomes '?'. Either way the locator
// keeps its length and anything but ASCII letters and digits stays invalid.
std::string oneBytePerCharacter(std::string_view utf8) {
    std::string text;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 1;
        unsigned int codePoint = lead;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1FU;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0FU;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07U;
        } else if (lead >= 0x80) {
            text.push_back('?');  // a stray continuation byte or an invalid lead byte
            ++i;
            continue;
        }
        bool complete = i + length <= utf8.size();
        for (std::size_t k = 1; complete && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            complete = (next & 0xC0U) == 0x80U;
            codePoint = (codePoint << 6U) | (next & 0x3FU);
        }
        if (!complete) {
            text.push_back('?');
            ++i;
            continue;
        }
        // An overlong form never stands for a plain letter or digit.
        const bool overlong = (length == 3 && codePoint < 0x800U) ||
                              (length == 4 && (codePoint < 0x10000U || codePoint > 0x10FFFFU));
        text.push_back(codePoint < 0x100U && !overlong ? static_cast<char>(codePoint) : '?');
        i += length;
    }
    return text;
}

int refuse(std::string_view title, std::string_view message) {
    std::fprintf(stderr, "%s: ", kProgram.data());
    if (!title.empty()) {
        std::fwrite(title.data(), 1, title.size(), stderr);
        std::fputs(": ", stderr);
    }
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fputc('\n', stderr);
    return kBadInput;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        printUsage(stdout);
        std::puts(
            "Prints distance (km), azimuth (degrees), longitude and latitude of TARGET\n"
            "(degrees; east longitude and south latitude negative), tab-separated.\n"
            "--version prints the version.");
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::puts("quorvin-locator " QUORVIN_VERSION);
        return 0;
    }
    if (argc != 3) {
        printUsage(stderr);
        return kBadInput;
    }

    // The window's checks, in the window's order.
    locator::LocatorTexts texts;
    texts.HomeLocator = oneBytePerCharacter(argv[1]);
    texts.TargetLocator = oneBytePerCharacter(argv[2]);
    if (!locator::HasLocatorLength(texts.HomeLocator.size())) {
        return refuse(locator::kHomeLengthTitle, locator::kLengthMessage);
    }
    if (!locator::HasLocatorLength(texts.TargetLocator.size())) {
        return refuse(locator::kTargetLengthTitle, locator::kLengthMessage);
    }
    if (locator::IsMissingLocator(texts.HomeLocator)) {
        return refuse(locator::kNoLocatorTitle, locator::kNoHomeMessage);
    }
    if (locator::IsMissingLocator(texts.TargetLocator)) {
        return refuse(locator::kNoLocatorTitle, locator::kNoTargetMessage);
    }
    locator::LocatorCalc(texts);
    if (texts.DistanceText == locator::kInvalidDistance) {
        return refuse({}, locator::kInvalidMessage);
    }
    std::printf("%s\t%s\t%s\t%s\n", texts.DistanceText.c_str(), texts.AzimuthText.c_str(),
                texts.LongitudeText.c_str(), texts.LatitudeText.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
