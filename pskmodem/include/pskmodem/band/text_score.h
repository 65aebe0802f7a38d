#pragma once

#include <array>
#include <cstdint>

namespace pskmodem {

// How much likelier a decoded character is in text than in what a PSK31 decoder makes of
// garbled bits, as a log-likelihood ratio in nats: positive for text, negative for garbage.
//
// Text: English letter frequencies (mostly lower case), blanks, line breaks, upper case and
// digits as call signs and reports bring them, common punctuation; other printable characters
// are rare and control codes and 8-bit codes rarer still. Garbage: random bits split into
// Varicode words, which makes a character as likely as 2^-(length of its code word), so the
// blank and the short-coded letters e, t, o ... dominate. Single characters say little; summed
// over a few dozen characters the score tells a decoder that reads a signal correctly from one
// that does not (such as QPSK31 on the wrong sideband). A blank after a blank counts as garbage.
class TextScore {
  public:
    TextScore();
    // Score of `code` following `previous`, clamped to +-kMaxScore.
    double score(std::uint8_t code, std::uint8_t previous) const;

    static constexpr double kMaxScore = 4.0;
    static constexpr double kRepeatedBlankScore = -3.0;

  private:
    std::array<double, 256> score_{};
};

}  // namespace pskmodem
