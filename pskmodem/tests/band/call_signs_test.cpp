// Call signs: which words have the form of one, and which of them received text names as the
// stations of a contact.

#include "pskmodem/band/call_signs.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace pskmodem {
namespace {

struct WordCase {
    std::string_view word;
    bool call;
};

TEST(CallSigns, WordsOfCallSignForm) {
    const WordCase cases[] = {
        // Prefixes of one and two letters, digit and letter, letter and digit, digit and two
        // letters; suffixes of one to four letters.
        {"9A1AA", true},
        {"3D2XX", true},
        {"4X4AB", true},
        {"OH2BH", true},
        {"JA1XYZ", true},
        {"VE3ABC", true},
        {"G4ABC", true},
        {"M0XYZ", true},
        {"2E0ABC", true},
        {"W1AW", true},
        {"K1A", true},
        {"A61AB", true},
        {"3DA0XY", true},
        {"DL1ABCD", true},
        {"w1aw", true},
        {"Dl1Abc", true},
        // Portable calls: a country prefix before, an operating suffix after.
        {"VK2/G4ABC", true},
        {"KH6/W1AW", true},
        {"W1AW/P", true},
        {"DL1ABC/MM", true},
        {"G4ABC/QRP", true},
        {"W1AW/4", true},
        {"F/G4ABC/P", true},
        {"3D2/QX2ABC", true},
        // The fictitious calls of the documents and the simulator.
        {"QR9ZZ", true},
        {"QX2ABC", true},
        {"QT5MK", true},
        {"QA7XYZ", true},
        {"QH1JK", true},
        {"QB4NN", true},
        // Words, Q codes, reports, locators, numbers, rigs.
        {"DE", false},
        {"CQ", false},
        {"HELLO", false},
        {"NAME", false},
        {"RIG", false},
        {"QTH", false},
        {"QSL", false},
        {"QRZ", false},
        {"599", false},
        {"5NN", false},
        {"RST", false},
        {"73", false},
        {"W2", false},
        {"HB9", false},
        {"JO22DC", false},
        {"FN31", false},
        {"FN31PR", false},
        {"IC7300", false},
        {"FT817ND", false},
        {"PSK31", false},
        {"QPSK31", false},
        {"100W", false},
        {"80M", false},
        {"2ND", false},
        {"1200", false},
        {"", false},
        // Too long a suffix, too long a prefix, bad slashes and parts.
        {"G4ABCDE", false},
        {"ABC1DE", false},
        {"W1AW/", false},
        {"/W1AW", false},
        {"W1AW//P", false},
        {"W1AW/G4ABC", false},
        {"W1AW/HELLO", false},
        {"VK2/KH6", false},
        {"A/B/C/W1AW", false},
        {"W1-AW", false},
        {"W1\xc4W", false},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(isCallSign(c.word), c.call) << c.word;
    }
}

struct TextCase {
    std::string_view text;
    std::vector<std::string> calls;
};

TEST(CallSigns, CallsWhereOperatorsPutThem) {
    const TextCase cases[] = {
        {"CQ CQ CQ DE QR9ZZ QR9ZZ QR9ZZ\r\nCQ CQ CQ DE QR9ZZ QR9ZZ QR9ZZ PSE K\r\n", {"QR9ZZ"}},
        {"cq cq cq de 9a1aa 9a1aa pse k", {"9A1AA"}},
        {"CQ DX CQ DX DE QA7XYZ QA7XYZ QA7XYZ DX K", {"QA7XYZ"}},
        {"CQ QT5MK ", {"QT5MK"}},
        {"CQ CQ TEST OH2BH\r\n", {"OH2BH"}},
        // An exchange: the called station first, both once, the report and the rig left out.
        {"QR9ZZ DE QX2ABC QX2ABC\r\nGood evening OM, thanks for the call. Your RST is 599 "
         "599.\r\nName here is Pat, QTH is Lake Ardmoor. Rig is a 50 W transceiver into a "
         "dipole.\r\nHow copy? QR9ZZ DE QX2ABC KN\r\n",
         {"QR9ZZ", "QX2ABC"}},
        {"QB4NN de QH1JK\r\nTNX fer the nice QSO Sam, RST 559 here. Rig is an IC7300 at "
         "100W,\r\nantenna G5RV. Loc JO22DC. QSL via bureau. 73 and good DX. QB4NN DE QH1JK SK",
         {"QB4NN", "QH1JK"}},
        {"VK2/G4ABC de KH6/W1AW K", {"VK2/G4ABC", "KH6/W1AW"}},
        {"dl1abc/mm DE w1aw/p.", {"DL1ABC/MM", "W1AW/P"}},
        // Answering a CQ: the call repeated.
        {"JA1XYZ JA1XYZ de VE3ABC VE3ABC VE3ABC pse k", {"JA1XYZ", "VE3ABC"}},
        {"2E0ABC 2E0ABC M0XYZ", {"2E0ABC"}},
        // Punctuation and noise around the words, line breaks between them.
        {"e t nia QR9ZZ, de QX2ABC. ur 5NN", {"QR9ZZ", "QX2ABC"}},
        {"~#(de 4X4AB) <de> [3D2XX]...\r\nde:OH2BH!", {"4X4AB", "3D2XX", "OH2BH"}},
        {"tnx\r\nde\r\nQT5MK\r\n", {"QT5MK"}},
        {"CQ\r\nQA7XYZ\r\nQA7XYZ", {"QA7XYZ"}},
        {"\xe9\x80QR9ZZ\xff de\x07QX2ABC\x01", {"QR9ZZ", "QX2ABC"}},
        // Each call once, in order of its first appearance, also where that was no call
        // position.
        {"hi QX2ABC, QR9ZZ de QX2ABC, QR9ZZ de QX2ABC", {"QX2ABC", "QR9ZZ"}},
        // Words of call-sign form elsewhere are not calls.
        {"Worked QT5MK yesterday, antenna G5RV, rig K3S", {}},
        {"name Robin, QTH Northfell, loc FN31PR, RST 579 579", {}},
        {"HB9 HB9 de 599", {}},
        {"de", {}},
        {"", {}},
        {"e tnaeio t4e ni a te", {}},
        {"QR9ZZ de", {}},
        {"QR9ZZ de RIG", {}},
        // CQ with more than three plain words or a long word between: not a CQ call.
        {"CQ is what we call it QX2ABC", {}},
        {"CQ contest QX2ABC", {}},
        {"CQ DX only QX2ABC K", {"QX2ABC"}},
        // The last word may still be arriving when nothing follows it: no call yet.
        {"CQ DX only QX2ABC", {}},
        {"CQ CQ de QX2A", {}},
        {"CQ CQ de QX2ABC QX2", {"QX2ABC"}},
        {"QR9ZZ de QX2ABC", {}},
        {"QR9ZZ de QX2ABC\r", {"QR9ZZ", "QX2ABC"}},
        {"de W1AW/", {}},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(findCallSigns(c.text), c.calls) << c.text;
    }
}

}  // namespace
}  // namespace pskmodem
