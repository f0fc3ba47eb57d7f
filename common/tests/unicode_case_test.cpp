#include "common/unicode_case.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(UnicodeLower, MapsLettersOfEveryScriptAndWidth) {
    EXPECT_EQ(unicodeLower("Example.COM"), "example.com");
    EXPECT_EQ(unicodeLower("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");                // ÉTÉ
    EXPECT_EQ(unicodeLower("\xD0\xAF\xD0\x9D\xD0\x94"), "\xD1\x8F\xD0\xBD\xD0\xB4");  // ЯНД
    EXPECT_EQ(unicodeLower("\xC4\x80\xC4\x81"), "\xC4\x81\xC4\x81");  // Ā ā (alternating pairs)
    EXPECT_EQ(unicodeLower("\xE2\x84\xAA"), "k");                     // KELVIN SIGN
    EXPECT_EQ(unicodeLower("\xC7\x85"), "\xC7\x86");                  // titlecase Dž
    EXPECT_EQ(unicodeLower("\xF0\x90\x90\x80"), "\xF0\x90\x90\xA8");  // Deseret, 4 bytes
    EXPECT_EQ(unicodeLower("\xC3\x9F\xE2\x82\xAC"), "\xC3\x9F\xE2\x82\xAC");  // ß and € stay
}

TEST(UnicodeLower, DottedCapitalIBecomesTwoCodePoints) {
    EXPECT_EQ(unicodeLower("\xC4\xB0stanbul"), "i\xCC\x87stanbul");
}

TEST(UnicodeLower, CapitalSigmaEndingAWordBecomesFinalSigma) {
    const std::string sigma = "\xCE\xA3", small = "\xCF\x83", final = "\xCF\x82";
    const std::string alpha = "\xCE\x91", lowAlpha = "\xCE\xB1";
    EXPECT_EQ(unicodeLower(alpha + sigma), lowAlpha + final);
    EXPECT_EQ(unicodeLower(alpha + sigma + " x"), lowAlpha + final + " x");
    EXPECT_EQ(unicodeLower(alpha + sigma + alpha), lowAlpha + small + lowAlpha);
    EXPECT_EQ(unicodeLower(sigma), small);  // no cased letter before it
    EXPECT_EQ(unicodeLower(" " + sigma), " " + small);
    // Case-ignorable characters (here an apostrophe) are looked through both ways.
    EXPECT_EQ(unicodeLower(alpha + "'" + sigma + "'"), lowAlpha + "'" + final + "'");
    EXPECT_EQ(unicodeLower(alpha + sigma + "'" + alpha), lowAlpha + small + "'" + lowAlpha);
    // U+0345 is cased and case-ignorable: it is looked through, not taken as the letter.
    EXPECT_EQ(unicodeLower("\xCD\x85" + sigma), "\xCD\x85" + small);
}

TEST(UnicodeLower, ReplacesInvalidBytes) {
    EXPECT_EQ(unicodeLower("A\xFF"), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace korvane
