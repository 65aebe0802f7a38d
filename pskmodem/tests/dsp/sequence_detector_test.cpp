// The sequence detector, without and with the word structure of Varicode.

#include "pskmodem/dsp/sequence_detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pskmodem/codec/varicode.h"

namespace pskmodem {
namespace {

TEST(SequenceDetector, UndoesTheNeighbourInterferenceExactlyWithoutNoise) {
    const double rho = 1.0 / 6.0;
    std::mt19937_64 rng(11);
    std::vector<int> b(2000);
    for (int& v : b) v = (rng() & 1U) != 0 ? 1 : -1;
    SequenceDetector detector(16, rho);
    int compared = 0;
    for (std::size_t k = 1; k + 1 < b.size(); ++k) {
        const double x = 0.8 * (b[k] + rho * (b[k - 1] + b[k + 1]));
        const int bit = detector.push(static_cast<float>(x), 0.8F);
        if (bit < 0 || k < 40) continue;
        const std::size_t at = k - 16;  // the bit between symbols at - 1 and at
        EXPECT_EQ(bit, b[at] == b[at - 1] ? 1 : 0) << "symbol " << at;
        ++compared;
    }
    EXPECT_GT(compared, 1900);
}

TEST(SequenceDetector, MakesFarFewerErrorsThanSymbolBySymbolDecisions) {
    const double rho = 1.0 / 6.0;
    std::mt19937_64 rng(12);
    std::normal_distribution<double> noise(0.0, 0.33);
    const std::size_t n = 40000;
    std::vector<int> b(n);
    for (int& v : b) v = (rng() & 1U) != 0 ? 1 : -1;
    std::vector<double> x(n, 0.0);
    for (std::size_t k = 1; k + 1 < n; ++k) x[k] = b[k] + rho * (b[k - 1] + b[k + 1]) + noise(rng);
    SequenceDetector detector(16, rho);
    int sequenceErrors = 0;
    int symbolErrors = 0;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const int bit = detector.push(static_cast<float>(x[k]), 1.0F);
        if (k < 40) continue;
        const std::size_t at = k - 16;
        const int truth = b[at] == b[at - 1] ? 1 : 0;
        if (bit != truth) ++sequenceErrors;
        const int naive = ((x[at] > 0.0) == (x[at - 1] > 0.0)) ? 1 : 0;
        if (naive != truth) ++symbolErrors;
    }
    EXPECT_GT(symbolErrors, 3 * sequenceErrors)
        << symbolErrors << " symbol-by-symbol against " << sequenceErrors;
}

// --- Sequence detector with the word structure ------------------------------------------------

// Symbols (+-1) of `text` in Varicode, each character followed by its two-zero gap, after a
// stretch of idle reversals; then `carrier` symbols of unmodulated carrier and `text` again.
std::vector<int> varicodeSymbols(const std::string& text, int carrier = 0) {
    std::vector<int> symbols(40);
    for (std::size_t i = 0; i < symbols.size(); ++i) symbols[i] = i % 2 == 0 ? 1 : -1;
    const auto send = [&symbols](int bit) {
        const int last = symbols.back();
        symbols.push_back(bit != 0 ? last : -last);
    };
    const auto sendText = [&send, &text] {
        for (const char c : text) {
            for (const char bit : varicodeBits(static_cast<std::uint8_t>(c))) send(bit == '1');
            send(0);
            send(0);
        }
    };
    sendText();
    if (carrier > 0) {
        for (int i = 0; i < carrier; ++i) send(1);
        send(0);
        send(0);
        sendText();
    }
    for (int i = 0; i < 40; ++i) send(0);
    return symbols;
}

// The text decoded from matched-filter samples `x` (amplitude 1) by `detector`.
template <typename Detector>
std::string decodeText(Detector& detector, const std::vector<double>& x) {
    VaricodeDecoder varicode;
    std::string text;
    bool synced = false;
    int previous = 1;
    for (const double sample : x) {
        const int bit = detector.push(static_cast<float>(sample), 1.0F);
        if (bit < 0) continue;
        if (!synced) {
            synced = bit == 0 && previous == 0;
            previous = bit;
            continue;
        }
        if (const auto c = varicode.pushBit(bit)) text.push_back(static_cast<char>(*c));
    }
    return text;
}

std::vector<double> filtered(const std::vector<int>& b, double rho) {
    std::vector<double> x(b.size(), 0.0);
    for (std::size_t k = 1; k + 1 < b.size(); ++k) x[k] = b[k] + rho * (b[k - 1] + b[k + 1]);
    return x;
}

TEST(SequenceDetector, WithTheWordStructurePassesEveryCharacterThroughInNoise) {
    // All 256 characters, the twelve-bit ones included, in random order and at an S/N where
    // the detector still makes no errors, twice, with an unmodulated carrier between: the word
    // structure must never cost a valid character, nor make one of a carrier.
    const double rho = 1.0 / 6.0;
    std::string text;
    for (int c = 0; c < 256; ++c) text.push_back(static_cast<char>(c));
    std::mt19937_64 rng(21);
    std::shuffle(text.begin(), text.end(), rng);
    std::vector<double> x = filtered(varicodeSymbols(text, 600), rho);
    std::normal_distribution<double> noise(0.0, 0.2);
    for (double& v : x) v += noise(rng);
    SequenceDetector detector(16, rho, SequenceDetector::Words::Varicode);
    EXPECT_EQ(decodeText(detector, x), text + text);
}

TEST(SequenceDetector, WithTheWordStructureKeepsTwoCharactersApartWhereOneSymbolSaysMerge) {
    // One doubtful symbol in the gap between two digits (eight or nine bits each): decided
    // alone it joins them into a word no character has, and both are lost; the constraint keeps
    // them.
    const double rho = 1.0 / 6.0;
    const std::string text = "702743556695";
    const std::vector<int> sent = varicodeSymbols(text);
    int kept = 0;
    int gaps = 0;
    for (std::size_t k = 41; k + 1 < sent.size() - 40; ++k) {
        if (sent[k] == sent[k - 1] || sent[k + 1] == sent[k]) continue;  // not inside a gap
        std::vector<double> x = filtered(sent, rho);
        x[k] = -0.6 * sent[k];
        SequenceDetector plain(16, rho);
        SequenceDetector constrained(16, rho, SequenceDetector::Words::Varicode);
        ++gaps;
        if (decodeText(constrained, x) == text) ++kept;
        EXPECT_NE(decodeText(plain, x), text) << "symbol " << k;
    }
    // (After the last digit idle follows, and a digit with a one more is still a character.)
    EXPECT_EQ(gaps, 12);
    EXPECT_EQ(kept, gaps - 1);
}

}  // namespace
}  // namespace pskmodem
