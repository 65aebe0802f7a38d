#pragma once

#include <string>
#include <string_view>

namespace pskmodem {

// Folds line breaks and runs of blanks (space, tab, CR, LF) to one blank and trims the ends.
std::string foldBlanks(std::string_view text);

// Character error rate: Levenshtein distance between the folded texts over the folded
// reference length.
double characterErrorRate(std::string_view reference, std::string_view received);

}  // namespace pskmodem
