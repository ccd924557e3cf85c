// The wildcard matcher against a plain restatement of its greedy rules: a
// forward pass, then one on both strings reversed. Input: flags byte, then
// the name and the pattern separated by a NUL.
#include "cd/FileNames.h"
#include "cd/clsFindFile.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::u32string Points(const QString& s) {
    std::u32string out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            out.push_back(QChar::surrogateToUcs4(u, s[i + 1].unicode()));
            ++i;
        } else {
            out.push_back(u);
        }
    }
    return out;
}

bool Same(char32_t a, char32_t b, bool exact) {
    return exact ? a == b : QChar::toLower(a) == QChar::toLower(b);
}

bool IsWild(char32_t c) {
    return c == U'*' || c == U'?';
}

// One pass. When a "*" run is met (first string first), the literal after
// it is looked for in the other string; both move past it.
bool Pass(std::u32string a, std::u32string b, bool exact) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::u32string* run = nullptr;
        std::u32string* other = nullptr;
        std::size_t* ri = nullptr;
        std::size_t* oi = nullptr;
        if (a[i] == U'*') {
            run = &a, other = &b, ri = &i, oi = &j;
        } else if (b[j] == U'*') {
            run = &b, other = &a, ri = &j, oi = &i;
        }
        if (run) {
            std::size_t k = *ri;
            while (k < run->size() && IsWild((*run)[k])) {
                ++k;
            }
            if (k == run->size()) {
                return true;
            }
            std::size_t m = *oi;
            while (m < other->size() && !Same((*run)[k], (*other)[m], exact)) {
                ++m;
            }
            if (m == other->size()) {
                return false;
            }
            *ri = k + 1;
            *oi = m + 1;
            continue;
        }
        if (a[i] != U'?' && b[j] != U'?' && !Same(a[i], b[j], exact)) {
            return false;
        }
        ++i, ++j;
    }
    return i == a.size() && j == b.size();
}

bool Reference(const std::u32string& a, const std::u32string& b, bool exact) {
    return Pass(a, b, exact) ||
           Pass(std::u32string(a.rbegin(), a.rend()), std::u32string(b.rbegin(), b.rend()), exact);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) {
        return 0;
    }
    const bool exact = data[0] & 1;
    const QByteArrayView rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype nul = rest.indexOf('\0');
    const QString name = lumadeck::DecodeFileName(nul < 0 ? rest : rest.first(nul));
    const QString spec =
        lumadeck::DecodeFileName(nul < 0 ? QByteArrayView() : rest.sliced(nul + 1));

    const bool got = lumadeck::clsFindFile::StrWildCompare(name, spec, exact);
    if (got != Reference(Points(name), Points(spec), exact)) {
        std::abort();
    }
    // (Ignoring case can lose a match that the exact comparison finds: the
    // greedy scan may stop at an earlier literal. That is the design.)
    // Any starting positions: no read out of range, positions only move on.
    int i1 = int(data[0] >> 1) % (int(name.size()) + 3) - 1;
    int i2 = int(size % 7) - 1;
    const int in1 = i1, in2 = i2;
    bool cont = false;
    lumadeck::clsFindFile::SkipWildChars(name, i1, spec, i2, cont, exact);
    if (cont ? (i1 <= in1 || i2 <= in2) : (i1 != in1 || i2 != in2)) {
        std::abort();
    }
    return 0;
}
