#include "pskmodem/band/text_score.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "pskmodem/codec/varicode.h"

namespace pskmodem {
namespace {

// Relative frequencies of the letters a..z in English text, in percent.
constexpr std::array<double, 26> kLetterPercent = {
    8.2, 1.5, 2.8, 4.3,   12.7, 2.2, 2.0, 6.1, 7.0,  0.15, 0.77, 4.0, 2.4,
    6.7, 7.5, 1.9, 0.095, 6.0,  6.3, 9.1, 2.8, 0.98, 2.4,  0.15, 2.0, 0.074};

// Shares of the character classes in text.
constexpr double kBlank = 0.16;
constexpr double kLineBreak = 0.01;  // each of CR and LF
constexpr double kLowerCase = 0.60;
constexpr double kUpperCase = 0.10;
constexpr double kUpperCaseEach = 0.0015;  // call signs use every letter
constexpr double kDigitEach = 0.004;
constexpr double kPunctuationEach = 0.005;
constexpr double kOtherPrintableEach = 0.0002;
constexpr double kControlEach = 0.00002;
constexpr double kEightBitEach = 0.00001;
constexpr std::string_view kPunctuation = ".,?/-!:'";

double textShare(int c) {
    if (c == ' ') return kBlank;
    if (c == '\r' || c == '\n') return kLineBreak;
    if (c >= 'a' && c <= 'z')
        return kLowerCase * kLetterPercent[static_cast<std::size_t>(c - 'a')] / 100.0;
    if (c >= 'A' && c <= 'Z') {
        return kUpperCase * kLetterPercent[static_cast<std::size_t>(c - 'A')] / 100.0 +
               kUpperCaseEach;
    }
    if (c >= '0' && c <= '9') return kDigitEach;
    if (kPunctuation.find(static_cast<char>(c)) != std::string_view::npos) return kPunctuationEach;
    if (c > ' ' && c < 0x7F) return kOtherPrintableEach;
    if (c < 0x80) return kControlEach;
    return kEightBitEach;
}

}  // namespace

TextScore::TextScore() {
    std::array<double, 256> text{};
    std::array<double, 256> garbage{};
    double textSum = 0.0;
    double garbageSum = 0.0;
    for (std::size_t c = 0; c < text.size(); ++c) {
        text[c] = textShare(static_cast<int>(c));
        const auto bits = static_cast<int>(varicodeBits(static_cast<std::uint8_t>(c)).size());
        garbage[c] = std::ldexp(1.0, -bits);
        textSum += text[c];
        garbageSum += garbage[c];
    }
    for (std::size_t c = 0; c < text.size(); ++c) {
        score_[c] = std::clamp(std::log((text[c] / textSum) / (garbage[c] / garbageSum)),
                               -kMaxScore, kMaxScore);
    }
}

double TextScore::score(std::uint8_t code, std::uint8_t previous) const {
    if (code == ' ' && previous == ' ') return kRepeatedBlankScore;
    return score_[code];
}

}  // namespace pskmodem
