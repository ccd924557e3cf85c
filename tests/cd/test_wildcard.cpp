#include "cd/clsFindFile.h"

#include <gtest/gtest.h>

using lumadeck::clsFindFile;

namespace {
bool Match(const char* name, const char* spec, bool bCase = false) {
    return clsFindFile::StrWildCompare(QString::fromUtf8(name), QString::fromUtf8(spec), bCase);
}
bool Forward(const char* name, const char* spec) {
    return clsFindFile::CompareStrings(QString::fromUtf8(name), QString::fromUtf8(spec), false);
}
} // namespace

TEST(WildCard, StarDotStarNeedsADotAnywhere) {
    EXPECT_FALSE(Match("VIDEO", "*.*"));
    EXPECT_TRUE(Forward("a.b.c", "*.*"));
    EXPECT_TRUE(Match(".dat", "*.*"));
    EXPECT_FALSE(Forward("abc.", "*.*")); // only the reversed pass finds it
    EXPECT_TRUE(Match("abc.", "*.*"));
}

TEST(WildCard, TrailingStarsAndTheReversedPass) {
    EXPECT_FALSE(Forward("abc", "abc*"));
    EXPECT_TRUE(Match("abc", "abc*"));
    EXPECT_FALSE(Match("abc", "*abc*")); // neither pass reads the last "*"
    EXPECT_TRUE(Match("xabcx", "*abc*"));
    EXPECT_FALSE(Forward("a.dat.b.dat", "*.dat"));
    EXPECT_TRUE(Match("a.dat.b.dat", "*.dat"));
    EXPECT_FALSE(Match("x.y.z", "*.dat"));
    // A wildcard on the name's side counts too, and "*" in the first string
    // is consumed first.
    EXPECT_TRUE(Match("*.dat", "movie.dat"));
    EXPECT_TRUE(Match("a*", "*"));
    EXPECT_FALSE(Match("a*", "*b")); // the literal "b" is never in "a*"
}

TEST(WildCard, QuestionMarksAndEmptyStrings) {
    EXPECT_TRUE(Match("ab", "a?"));
    EXPECT_FALSE(Match("a", "a?"));
    EXPECT_TRUE(Match("abc", "a*?c")); // "?" after "*" is part of the run
    EXPECT_TRUE(Match("abcd", "a??d"));
    EXPECT_FALSE(Match("abd", "a??d"));
    EXPECT_TRUE(Match("abcd", "a?*?d"));
    EXPECT_TRUE(Match("", ""));
    EXPECT_FALSE(Match("", "*"));
    EXPECT_FALSE(Match("a", ""));
    EXPECT_FALSE(Match("", "a"));
}

TEST(WildCard, CaseFollowsUnicodeRules) {
    EXPECT_TRUE(Match("MOVIE.DAT", "*.dat"));
    EXPECT_FALSE(Match("MOVIE.DAT", "*.dat", true));
    EXPECT_TRUE(Match("\xc3\x89T\xc3\x89.MPG", "\xc3\xa9t\xc3\xa9.mpg")); // ÉTÉ / été
    EXPECT_TRUE(Match("\xce\xa3\xce\x9f.dat", "\xcf\x83?.DAT"));          // Greek
    EXPECT_FALSE(Match("\xc3\x89T\xc3\x89.MPG", "\xc3\xa9t\xc3\xa9.mpg", true));
    // One "?" is one character, also beyond the 16-bit range.
    EXPECT_TRUE(Match("\xf0\x9f\x8e\xac.mpg", "?.mpg"));
    EXPECT_TRUE(clsFindFile::CompareCharacters("A", "a", false));
    EXPECT_FALSE(clsFindFile::CompareCharacters("A", "a", true));
    EXPECT_TRUE(clsFindFile::CompareCharacters("\xc3\x84", "\xc3\xa4", false));
}

TEST(WildCard, SkipWildCharsMovesPositionsOnlyWhenItFindsTheLiteral) {
    int i1 = 1, i2 = 1;
    bool cont = true;
    EXPECT_TRUE(clsFindFile::SkipWildChars("*?.d", i1, "ab.dat", i2, cont, false));
    EXPECT_TRUE(cont);
    EXPECT_EQ(i1, 4); // past "*?."
    EXPECT_EQ(i2, 4); // past "ab."

    i1 = 2, i2 = 3;
    EXPECT_TRUE(clsFindFile::SkipWildChars("a**", i1, "abc", i2, cont, false));
    EXPECT_FALSE(cont); // ends in wildcards: a match, nothing moved
    EXPECT_EQ(i1, 2);
    EXPECT_EQ(i2, 3);

    i1 = 1, i2 = 2;
    EXPECT_FALSE(clsFindFile::SkipWildChars("*.", i1, "abc", i2, cont, false));
    EXPECT_FALSE(cont);
    EXPECT_EQ(i1, 1);
    EXPECT_EQ(i2, 2);

    i1 = 5, i2 = 1;
    EXPECT_TRUE(clsFindFile::SkipWildChars("*.", i1, "abc", i2, cont, false));
    EXPECT_FALSE(cont); // past the end
}

// A plain backtracking matcher: everything the greedy design matches must be
// a real match when the name has no wildcards and the pattern no "?" runs
// next to "*" (the design only ever misses matches there, never invents).
namespace {
bool Backtrack(const QString& s, const QString& p, qsizetype i = 0, qsizetype j = 0) {
    if (j == p.size()) {
        return i == s.size();
    }
    if (p[j] == '*') {
        for (qsizetype k = i; k <= s.size(); ++k) {
            if (Backtrack(s, p, k, j + 1)) {
                return true;
            }
        }
        return false;
    }
    if (i == s.size()) {
        return false;
    }
    return (p[j] == '?' || p[j].toLower() == s[i].toLower()) && Backtrack(s, p, i + 1, j + 1);
}
} // namespace

TEST(WildCard, NeverReportsAMatchThatIsNotOne) {
    const char* names[] = {"a.b", "ab", "abc.", ".dat", "a.dat.b.dat", "xabcx", "ba", "aab", ""};
    const char* specs[] = {"*.*", "a*", "*b", "*.dat", "a*b", "*a*", "?b", "a?", "*", "ab"};
    for (const char* n : names) {
        for (const char* p : specs) {
            if (Match(n, p)) {
                EXPECT_TRUE(Backtrack(n, p)) << n << " ~ " << p;
            }
        }
    }
}
