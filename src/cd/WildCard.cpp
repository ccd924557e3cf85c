#include "WildCard.h"

#include <QChar>

namespace lumadeck::wildcard {

bool CompareCharacters(char32_t c1, char32_t c2, bool bCase) {
    if (bCase || c1 == c2) {
        return c1 == c2;
    }
    return QChar::toLower(c1) == QChar::toLower(c2);
}

bool SkipWildChars(std::u32string_view s1, std::size_t& i1, std::u32string_view s2, std::size_t& i2,
                   bool& bContinue, bool bCase) {
    bContinue = false;
    if (i1 >= s1.size()) {
        return true;
    }
    std::size_t k = i1;
    while (k < s1.size() && (s1[k] == U'*' || s1[k] == U'?')) {
        ++k;
    }
    if (k >= s1.size()) {
        return true; // ends in wildcards: matches whatever is left
    }
    std::size_t m = i2;
    while (m < s2.size() && !CompareCharacters(s1[k], s2[m], bCase)) {
        ++m;
    }
    if (m >= s2.size()) {
        return false;
    }
    i1 = k + 1;
    i2 = m + 1;
    bContinue = true;
    return true;
}

bool CompareStrings(std::u32string_view s1, std::u32string_view s2, bool bCase) {
    std::size_t p1 = 0;
    std::size_t p2 = 0;
    for (;;) {
        if (p1 >= s1.size() || p2 >= s2.size()) {
            return p1 >= s1.size() && p2 >= s2.size();
        }
        if (s1[p1] == U'*') {
            bool bContinue = false;
            const bool r = SkipWildChars(s1, p1, s2, p2, bContinue, bCase);
            if (!bContinue) {
                return r;
            }
        } else if (s2[p2] == U'*') {
            bool bContinue = false;
            const bool r = SkipWildChars(s2, p2, s1, p1, bContinue, bCase);
            if (!bContinue) {
                return r;
            }
        } else if (s1[p1] == U'?' || s2[p2] == U'?') {
            ++p1;
            ++p2;
        } else if (!CompareCharacters(s1[p1], s2[p2], bCase)) {
            return false;
        } else {
            ++p1;
            ++p2;
        }
    }
}

bool StrWildCompare(std::u32string_view s1, std::u32string_view s2, bool bCase) {
    if (CompareStrings(s1, s2, bCase)) {
        return true;
    }
    return CompareStrings(Reversed(s1), Reversed(s2), bCase);
}

std::u32string LowerCase(std::u32string_view s) {
    std::u32string out(s);
    for (char32_t& c : out) {
        c = QChar::toLower(c);
    }
    return out;
}

std::u32string Reversed(std::u32string_view s) {
    return std::u32string(s.rbegin(), s.rend());
}

} // namespace lumadeck::wildcard
