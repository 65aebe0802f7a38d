#include "pskmodem/signals/cer.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace pskmodem {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Edit distance (insertions, deletions, substitutions all cost 1), one row of the table at a time.
std::size_t levenshtein(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];  // distance of a[0..i-1) to b[0..j-1)
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string foldBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (char c : text) {
        if (isBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank) out += ' ';
        pendingBlank = false;
        out += c;
    }
    return out;
}

double characterErrorRate(std::string_view reference, std::string_view received) {
    const std::string ref = foldBlanks(reference);
    const std::string got = foldBlanks(received);
    // An empty reference has no characters to get wrong; anything received then counts as
    // one whole error.
    if (ref.empty()) return got.empty() ? 0.0 : 1.0;
    return static_cast<double>(levenshtein(ref, got)) / static_cast<double>(ref.size());
}

}  // namespace pskmodem
