#include "pskmodem/signals/cer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pskmodem {
namespace {

TEST(FoldBlanks, FoldsRunsAndTrims) {
    EXPECT_EQ(foldBlanks(""), "");
    EXPECT_EQ(foldBlanks(" \r\n\t "), "");
    EXPECT_EQ(foldBlanks("abc"), "abc");
    EXPECT_EQ(foldBlanks("  CQ  CQ\r\nDE\tQR9ZZ \r\n"), "CQ CQ DE QR9ZZ");
    EXPECT_EQ(foldBlanks("a\r\r\nb"), "a b");
}

TEST(CharacterErrorRate, CountsEditsOverTheReferenceLength) {
    EXPECT_EQ(characterErrorRate("hello world", "hello world"), 0.0);
    EXPECT_DOUBLE_EQ(characterErrorRate("abcdefghij", "abcdXfghij"), 0.1);   // substitution
    EXPECT_DOUBLE_EQ(characterErrorRate("abcdefghij", "abcdefghijk"), 0.1);  // insertion
    EXPECT_DOUBLE_EQ(characterErrorRate("abcdefghij", "acdefghij"), 0.1);    // deletion
    EXPECT_DOUBLE_EQ(characterErrorRate("abcdefghij", ""), 1.0);
    EXPECT_DOUBLE_EQ(characterErrorRate("ab", "xyzw"), 2.0);  // may exceed 1 for garbage
    EXPECT_DOUBLE_EQ(characterErrorRate("kitten", "sitting"), 3.0 / 6.0);
}

TEST(CharacterErrorRate, IgnoresLineBreakAndBlankDifferences) {
    EXPECT_EQ(characterErrorRate("CQ CQ\r\nDE QR9ZZ", " CQ  CQ DE\nQR9ZZ\r\n"), 0.0);
}

TEST(CharacterErrorRate, EmptyReference) {
    EXPECT_EQ(characterErrorRate("", ""), 0.0);
    EXPECT_EQ(characterErrorRate(" \r\n", ""), 0.0);
    EXPECT_EQ(characterErrorRate("", "junk"), 1.0);
}

TEST(CharacterErrorRate, KnownNumberOfSubstitutionsInALongText) {
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::string reference(4000, ' ');
    for (char& c : reference) c = static_cast<char>(letter(rng));
    std::string received = reference;
    for (std::size_t i = 0; i < received.size(); i += 100) received[i] = '#';  // 40 errors
    EXPECT_DOUBLE_EQ(characterErrorRate(reference, received), 40.0 / 4000.0);
}

}  // namespace
}  // namespace pskmodem
