#include "engine/cp1250.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace lumiro::engine {
namespace {

// The Polish letters and their code page 1250 bytes.
const std::string kPolishUtf8 = "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
const std::string kPolish1250 =
    "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";

TEST(Cp1250, PolishLettersConvertBothWays) {
    EXPECT_EQ(utf8ToCp1250(kPolishUtf8), kPolish1250);
    EXPECT_EQ(cp1250ToUtf8(kPolish1250), kPolishUtf8);
    bool lossy = true;
    EXPECT_EQ(utf8ToCp1250("Zażółć gęślą jaźń", &lossy),
              "Za\xBF\xF3\xB3\xE6 g\xEA\x9C\x6C\xB9 ja\x9F\xF1");
    EXPECT_FALSE(lossy);
}

TEST(Cp1250, EveryDefinedByteRoundTripsAndUndefinedOnesDecodeToReplacement) {
    const std::set<int> undefined = {0x81, 0x83, 0x88, 0x90, 0x98};
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, char(b));
        const std::string utf8 = cp1250ToUtf8(one);
        if (undefined.count(b)) {
            EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
            continue;
        }
        bool lossy = true;
        EXPECT_EQ(utf8ToCp1250(utf8, &lossy), one) << b;
        EXPECT_FALSE(lossy) << b;
    }
    EXPECT_EQ(cp1250ToUtf8("\x80\x84\x96"), "€„–");
}

TEST(Cp1250, UnmappableAndMalformedInputBecomesQuestionMark) {
    bool lossy = false;
    EXPECT_EQ(utf8ToCp1250("a中b", &lossy), "a?b");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(utf8ToCp1250("x\xC5", &lossy), "x?");  // cut-off sequence
    EXPECT_TRUE(lossy);
    EXPECT_EQ(utf8ToCp1250("\xC0\x80", &lossy), "??");  // overlong form of NUL
    EXPECT_EQ(utf8ToCp1250("😀", &lossy), "?");
}

TEST(Cp1250, CaseMappingCoversPolishLetters) {
    const std::string lower = utf8ToCp1250("ąćęłńóśźżaz");
    const std::string upper = utf8ToCp1250("ĄĆĘŁŃÓŚŹŻAZ");
    for (std::size_t i = 0; i < lower.size(); ++i) {
        EXPECT_EQ(toUpper1250(std::uint8_t(lower[i])), std::uint8_t(upper[i]));
        EXPECT_EQ(toLower1250(std::uint8_t(upper[i])), std::uint8_t(lower[i]));
    }
    EXPECT_EQ(toUpper1250('5'), '5');
    EXPECT_EQ(toUpper1250(0xDF), 0xDF);  // ß has no capital in the code page
}

TEST(Cp1250, CaseSensitiveWeightsArePermutationWithUpperJustBeforeLower) {
    std::set<int> seen;
    for (int c = 0; c < 256; ++c) seen.insert(caseSensitiveWeight(std::uint8_t(c)));
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(caseSensitiveWeight(0), 0);
    for (int c = 0; c < 256; ++c) {
        const auto up = toUpper1250(std::uint8_t(c));
        if (up != c) {
            EXPECT_EQ(caseSensitiveWeight(up) + 1, caseSensitiveWeight(std::uint8_t(c))) << c;
        }
    }
    // Punctuation and space before digits, digits before letters.
    EXPECT_LT(caseSensitiveWeight(' '), caseSensitiveWeight('-'));
    EXPECT_LT(caseSensitiveWeight('-'), caseSensitiveWeight('0'));
    EXPECT_LT(caseSensitiveWeight('9'), caseSensitiveWeight('A'));
    EXPECT_LT(caseSensitiveWeight(0x96), caseSensitiveWeight('0'));  // en dash
}

TEST(Cp1250, CaseInsensitiveWeightsFoldCase) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(caseInsensitiveWeight(std::uint8_t(c)),
                  caseInsensitiveWeight(toUpper1250(std::uint8_t(c))));
    EXPECT_EQ(caseInsensitiveWeight(0), 0);
    EXPECT_NE(caseInsensitiveWeight('a'), caseInsensitiveWeight(0xB9));  // a and ą differ
}

int cmp(const char* a, const char* b, bool ci = false) {
    return comparePolish(utf8ToCp1250(a), utf8ToCp1250(b), ci);
}

TEST(Cp1250, PolishCollation) {
    EXPECT_GT(cmp("Łukasz", "Lucyna"), 0);
    EXPECT_GT(cmp("Ćma", "Cyna"), 0);
    EXPECT_LT(cmp("Ćma", "Dom"), 0);
    EXPECT_GT(cmp("źle", "zebra"), 0);
    EXPECT_GT(cmp("żaba", "źle"), 0);
    EXPECT_LT(cmp("Kowal", "Kowalski"), 0);
    EXPECT_EQ(cmp("KOWALSKA", "kowalska", true), 0);
    EXPECT_NE(cmp("KOWALSKA", "kowalska"), 0);
    EXPECT_LT(cmp("Müller", "Mz"), 0);  // foreign accents stay with their base letter
    EXPECT_GT(cmp("Müller", "Mu"), 0);

    // "kow" is a prefix of "Kowalski" by case-insensitive weights.
    const std::string prefix = utf8ToCp1250("kow");
    const std::string name = utf8ToCp1250("Kowalski");
    for (std::size_t i = 0; i < prefix.size(); ++i)
        EXPECT_EQ(caseInsensitiveWeight(std::uint8_t(prefix[i])),
                  caseInsensitiveWeight(std::uint8_t(name[i])));
}

TEST(Cp1250, AlphabetSortsInPolishOrder) {
    const std::vector<std::string> alphabet = {
        "a", "ą", "b", "c", "ć", "d", "e", "ę", "f", "g", "h", "i", "j", "k", "l", "ł", "m", "n",
        "ń", "o", "ó", "p", "q", "r", "s", "ś", "t", "u", "v", "w", "x", "y", "z", "ź", "ż"};
    for (std::size_t i = 1; i < alphabet.size(); ++i) {
        EXPECT_LT(cmp(alphabet[i - 1].c_str(), alphabet[i].c_str()), 0) << alphabet[i];
        EXPECT_LT(cmp(alphabet[i - 1].c_str(), alphabet[i].c_str(), true), 0) << alphabet[i];
    }
    // Foreign letters right after their base, before the next Polish letter.
    EXPECT_LT(cmp("a", "ä"), 0);
    EXPECT_LT(cmp("ä", "ą"), 0);
    EXPECT_LT(cmp("č", "ć"), 0);
    EXPECT_LT(cmp("ö", "ó"), 0);
    EXPECT_LT(cmp("š", "ś"), 0);
    EXPECT_LT(cmp("ž", "ź"), 0);
    EXPECT_LT(cmp("ř", "s"), 0);
}

}  // namespace
}  // namespace lumiro::engine
