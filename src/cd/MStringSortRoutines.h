#pragma once

#include <QString>
#include <QStringList>

namespace lumadeck {

// Sorts the strings in place, ascending or descending. Exact mode
// (bCaseSensitive) orders by code point; text mode by the current locale's
// collation, ignoring case. A quicksort that leaves ranges of at most 61
// elements to an insertion sort (which keeps equal elements in their order).
void SortStringArray(QStringList& arr, bool bAscending, bool bCaseSensitive);

// The same on the index range lo..hi (inclusive) only.
void SortStringArray(QStringList& arr, qsizetype lo, qsizetype hi, bool bAscending,
                     bool bCaseSensitive);

// The three-way comparisons used by the sort: -1, 0 or +1.
int CompareExact(const QString& a, const QString& b);
int CompareText(const QString& a, const QString& b);

} // namespace lumadeck
