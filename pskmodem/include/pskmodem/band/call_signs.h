#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pskmodem {

// Whether `word` has the form of an amateur radio call sign: a prefix of letters and digits
// (W, G4, 9A, VK2, 3D2 ...), one digit region number, a suffix of one to four letters, and
// optionally a portable part ("VK2/G4ABC", "W1AW/P", "DL1ABC/MM"). Case is ignored. Words, Q
// codes, reports (599, 5NN), locators (JO22DC) and numbers are not call signs.
bool isCallSign(std::string_view word);

// The call signs heard in received `text`, each once (upper case), in order of first
// appearance: words that have the form of a call sign and stand where PSK31 operators put
// call signs ("de CALL", "CQ ... CALL", "CALL de CALL", "CALL CALL" repeated). Words are
// separated by anything but letters, digits and '/', so punctuation and noise characters around
// them do no harm. A word at the very end of the text, with nothing after it, may still be
// arriving and is not taken for a call.
std::vector<std::string> findCallSigns(std::string_view text);

}  // namespace pskmodem
