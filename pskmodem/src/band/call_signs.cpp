#include "pskmodem/band/call_signs.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace pskmodem {
namespace {

// ASCII only: received text is 8-bit character codes, and bytes above 127 belong to no call.
bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

// The letters and digits before the region number: one letter (W, G), two letters (VK, OH),
// a digit and a letter (9A, 4X, 3D), a letter and a digit (A6, E5), or a digit and two letters
// (3DA). Three letters in a row are not a prefix, which keeps locators (JO22DC: "JO2" before the
// last digit) out.
bool isPrefix(std::string_view p) {
    switch (p.size()) {
        case 1:
            return isLetter(p[0]);
        case 2:
            return (isLetter(p[0]) || isDigit(p[0])) && (isLetter(p[1]) || isDigit(p[1])) &&
                   !(isDigit(p[0]) && isDigit(p[1]));
        case 3:
            return isDigit(p[0]) && isLetter(p[1]) && isLetter(p[2]);
        default:
            return false;
    }
}

// A call without portable parts: prefix, one digit, one to four letters. The last digit of the
// word is the region number, so "A61AB" reads as prefix A6, region 1, suffix AB.
bool isBaseCall(std::string_view w) {
    if (w.size() < 3 || w.size() > 8) return false;
    std::size_t lastDigit = w.size();
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (isDigit(w[i])) {
            lastDigit = i;
        } else if (!isLetter(w[i])) {
            return false;
        }
    }
    if (lastDigit == w.size()) return false;  // no digit: a word or a Q code
    const std::size_t suffixLength = w.size() - lastDigit - 1;
    if (suffixLength < 1 || suffixLength > 4) return false;  // 599, FN31, W2, IC7300
    return isPrefix(w.substr(0, lastDigit));
}

// What may stand beside a call after a slash: a region digit (W1AW/4), a country prefix with or
// without its digit (VK2/, KH6/, F/, 3D2/) or an operating suffix (/P, /M, /MM, /AM, /QRP).
bool isPortablePart(std::string_view p) {
    if (p.size() == 1 && isDigit(p[0])) return true;
    if (equalsIgnoringCase(p, "QRP")) return true;
    if (isPrefix(p)) return true;
    return p.size() >= 2 && isDigit(p.back()) && isPrefix(p.substr(0, p.size() - 1));
}

// A word of received text.
struct Word {
    std::string_view text;
    bool call = false;  // has the form of a call sign
};

// Characters that belong to a word: letters, digits and the slash of portable calls. Everything
// else (blanks, line breaks, punctuation, the noise characters of a weak signal) separates.
bool isWordChar(char c) {
    return isLetter(c) || isDigit(c) || c == '/';
}

std::string upperCase(std::string_view w) {
    std::string out(w);
    for (char& c : out) c = upper(c);
    return out;
}

bool isWord(const Word& w, std::string_view keyword) {
    return equalsIgnoringCase(w.text, keyword);
}

// Whether words[i], a word of call-sign form, stands where operators put call signs.
bool inCallPosition(const std::vector<Word>& words, std::size_t i) {
    const std::size_t n = words.size();
    // "de CALL"
    if (i >= 1 && isWord(words[i - 1], "DE")) return true;
    // "CALL de CALL": the called station, before the caller
    if (i + 2 < n && isWord(words[i + 1], "DE") && words[i + 2].call) return true;
    // "CALL CALL": the same call twice in a row
    if (i + 1 < n && equalsIgnoringCase(words[i + 1].text, words[i].text)) return true;
    if (i >= 1 && equalsIgnoringCase(words[i - 1].text, words[i].text)) return true;
    // "CQ CALL", "CQ DX CALL", "CQ CQ TEST CALL": a CQ at most three words back, with only
    // short plain words (DX, TEST, POTA, another CQ) between it and the call.
    for (std::size_t back = 1; back <= 3 && back <= i; ++back) {
        const Word& w = words[i - back];
        if (isWord(w, "CQ")) return true;
        if (w.text.size() > 4 || !std::all_of(w.text.begin(), w.text.end(), isLetter)) break;
    }
    return false;
}

}  // namespace

bool isCallSign(std::string_view word) {
    // Split at the slashes: one part is the call itself, the others portable parts. At most
    // three parts (KH6/W1AW/P); an empty part (a leading, doubled or trailing slash) is not a
    // call.
    std::array<std::string_view, 3> parts{};
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = word.find('/', start);
        const std::string_view part = word.substr(start, slash - start);
        if (part.empty() || count == parts.size()) return false;
        parts[count++] = part;
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    int calls = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (isBaseCall(parts[i])) {
            ++calls;
        } else if (!isPortablePart(parts[i])) {
            return false;
        }
    }
    return calls == 1;
}

std::vector<std::string> findCallSigns(std::string_view text) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isWordChar(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isWordChar(text[end])) ++end;
        std::string_view w = text.substr(i, end - i);
        // Slashes at either end are punctuation ("/QR9ZZ/", "73/"), not portable parts.
        while (!w.empty() && w.front() == '/') w.remove_prefix(1);
        while (!w.empty() && w.back() == '/') w.remove_suffix(1);
        if (!w.empty()) words.push_back(Word{w, isCallSign(w)});
        i = end;
    }

    // The calls found, then listed in the order in which each first appears in the text (also
    // where it stood outside a call position).
    // A word that runs to the end of the text may still be arriving ("de QX2A" of "de QX2ABC"),
    // so it is not taken for a call; its call counts once it is complete.
    if (!words.empty() && !text.empty() && isWordChar(text.back())) words.back().call = false;
    std::vector<std::string> found;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (!words[k].call || !inCallPosition(words, k)) continue;
        std::string call = upperCase(words[k].text);
        if (std::find(found.begin(), found.end(), call) == found.end()) {
            found.push_back(std::move(call));
        }
    }
    std::vector<std::string> ordered;
    ordered.reserve(found.size());
    for (const Word& w : words) {
        if (!w.call) continue;
        std::string call = upperCase(w.text);
        if (std::find(found.begin(), found.end(), call) != found.end() &&
            std::find(ordered.begin(), ordered.end(), call) == ordered.end()) {
            ordered.push_back(std::move(call));
        }
    }
    return ordered;
}

}  // namespace pskmodem
