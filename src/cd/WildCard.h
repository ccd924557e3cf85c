#pragma once

#include <string>
#include <string_view>

namespace lumadeck::wildcard {

// The matcher on strings of code points. Case-insensitive callers may pass
// both strings already lower-cased (with LowerCase) and bCase true: the
// result is the same as comparing them with bCase false.
bool CompareStrings(std::u32string_view s1, std::u32string_view s2, bool bCase);
bool StrWildCompare(std::u32string_view s1, std::u32string_view s2, bool bCase);
bool SkipWildChars(std::u32string_view s1, std::size_t& i1, std::u32string_view s2, std::size_t& i2,
                   bool& bContinue, bool bCase);
bool CompareCharacters(char32_t c1, char32_t c2, bool bCase);

std::u32string LowerCase(std::u32string_view s);
std::u32string Reversed(std::u32string_view s);

} // namespace lumadeck::wildcard
