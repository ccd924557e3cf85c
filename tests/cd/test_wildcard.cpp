#include "cd/clsFindFile.h"

#include <gtest/gtest.h>
#include <tuple>

using lumadeck::clsFindFile;

namespace {
bool Match(const char* name, const char* spec, bool bCase = false) {
    return clsFindFile::StrWildCompare(QString::fromUtf8(name), QString::fromUtf8(spec), bCase);
}
} // namespace

// "name|spec|result". 'F': the forward pass matches; 'R': only the reversed
// pass does; '-': no match, also where the design misses one ("VIDEO" and
// "*.*", "abc" and "*abc*": neither pass reads the last "*"). A wildcard in
// the name counts too, "?" after "*" is part of the run, and case follows
// Unicode rules.
TEST(WildCard, BothPassesAndWhatTheyMiss) {
    const QStringList cases =
        QString::fromUtf8(
            "VIDEO|*.*|- a.b.c|*.*|F .dat|*.*|F abc.|*.*|R abc|abc*|R abc|*abc*|- "
            "xabcx|*abc*|F a.dat.b.dat|*.dat|R x.y.z|*.dat|- *.dat|movie.dat|F "
            "a*|*|F a*|*b|- ab|a?|F a|a?|- abc|a*?c|F abcd|a??d|F abd|a??d|- "
            "abcd|a?*?d|F ||F |*|- a||- |a|- MOVIE.DAT|*.dat|F "
            "\xc3\x89T\xc3\x89.MPG|\xc3\xa9t\xc3\xa9.mpg|F \xce\xa3\xce\x9f.dat|\xcf\x83?.DAT|F "
            "\xf0\x9f\x8e\xac.mpg|?.mpg|F")
            .split(' ');
    for (const QString& c : cases) {
        const QStringList f = c.split('|');
        ASSERT_EQ(f.size(), 3) << c.toStdString();
        EXPECT_EQ(clsFindFile::CompareStrings(f[0], f[1], false), f[2] == "F") << c.toStdString();
        EXPECT_EQ(clsFindFile::StrWildCompare(f[0], f[1], false), f[2] != "-") << c.toStdString();
    }
    EXPECT_FALSE(Match("MOVIE.DAT", "*.dat", true));
    EXPECT_FALSE(Match("\xc3\x89T\xc3\x89.MPG", "\xc3\xa9t\xc3\xa9.mpg", true));
    EXPECT_TRUE(clsFindFile::CompareCharacters("A", "a", false));
    EXPECT_FALSE(clsFindFile::CompareCharacters("A", "a", true));
    EXPECT_TRUE(clsFindFile::CompareCharacters("\xc3\x84", "\xc3\xa4", false));
}

// Positions (from 1) move past the literal only when it is found.
TEST(WildCard, SkipWildCharsMovesPositionsOnlyWhenItFindsTheLiteral) {
    // s1, i1, s2, i2 -> result, continue, i1, i2
    using Out = std::tuple<bool, bool, int, int>;
    const std::tuple<const char*, int, const char*, int, Out> cases[] = {
        {"*?.d", 1, "ab.dat", 1, {true, true, 4, 4}},
        {"a**", 2, "abc", 3, {true, false, 2, 3}}, // ends in wildcards: a match
        {"*.", 1, "abc", 2, {false, false, 1, 2}},
        {"*.", 5, "abc", 1, {true, false, 5, 1}}}; // past the end
    for (const auto& [s1, i1, s2, i2, out] : cases) {
        int p1 = i1, p2 = i2;
        bool cont = !std::get<1>(out);
        const bool r = clsFindFile::SkipWildChars(s1, p1, s2, p2, cont, false);
        EXPECT_EQ(Out(r, cont, p1, p2), out) << s1 << " " << s2;
    }
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
