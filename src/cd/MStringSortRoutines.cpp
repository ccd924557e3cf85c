#include "MStringSortRoutines.h"

#include <QCollator>
#include <QLocale>

#include <utility>

namespace lumadeck {

namespace {

// One collator per thread, made again when the default locale changes
// (opening a collator costs far more than a comparison).
QCollator& TextCollator() {
    thread_local QLocale locale;
    thread_local QCollator collator = [] {
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    if (QLocale() != locale) {
        locale = QLocale();
        collator = QCollator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
    return collator;
}

// UTF-16 units reordered so that surrogates (code points from U+10000) sort
// after U+E000..U+FFFF, which gives code point order.
inline char16_t CodePointOrder(char16_t u) {
    if (u >= 0xD800) {
        return u >= 0xE000 ? char16_t(u - 0x800) : char16_t(u + 0x2000);
    }
    return u;
}

template <typename Cmp>
void InsertionSort(QStringList& a, qsizetype lo, qsizetype hi, int direction, Cmp& cmp) {
    for (qsizetype i = lo + 1; i <= hi; ++i) {
        QString t = std::move(a[i]);
        qsizetype j = i - 1;
        while (j >= lo && cmp(a[j], t) == direction) {
            a[j + 1] = std::move(a[j]);
            --j;
        }
        a[j + 1] = std::move(t);
    }
}

template <typename Cmp>
qsizetype Partition(QStringList& a, qsizetype lo, qsizetype hi, int direction, Cmp& cmp) {
    const qsizetype mid = lo + (hi - lo) / 2;
    QString pivot = a[mid];
    a[mid] = a[lo];
    qsizetype i = lo + 1;
    qsizetype j = hi;
    for (;;) {
        while (i < j && cmp(pivot, a[i]) == direction) {
            ++i;
        }
        while (j >= i && cmp(a[j], pivot) == direction) {
            --j;
        }
        if (i >= j) {
            break;
        }
        a[i].swap(a[j]);
        ++i;
        --j;
    }
    a[lo] = std::move(a[j]);
    a[j] = std::move(pivot);
    return j;
}

template <typename Cmp>
void RangeSort(QStringList& a, qsizetype lo, qsizetype hi, int direction, Cmp& cmp) {
    if (hi - lo <= 60) {
        InsertionSort(a, lo, hi, direction, cmp);
        return;
    }
    // Recursing into the smaller side keeps the depth logarithmic.
    while (lo < hi) {
        const qsizetype p = Partition(a, lo, hi, direction, cmp);
        if (p - lo <= hi - p) {
            RangeSort(a, lo, p - 1, direction, cmp);
            lo = p + 1;
        } else {
            RangeSort(a, p + 1, hi, direction, cmp);
            hi = p - 1;
        }
    }
}

} // namespace

int CompareExact(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] != pb[i]) {
            return CodePointOrder(pa[i].unicode()) < CodePointOrder(pb[i].unicode()) ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareText(const QString& a, const QString& b) {
    const int r = TextCollator().compare(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void SortStringArray(QStringList& arr, qsizetype lo, qsizetype hi, bool bAscending,
                     bool bCaseSensitive) {
    lo = std::max<qsizetype>(lo, 0);
    hi = std::min<qsizetype>(hi, arr.size() - 1);
    if (lo >= hi) {
        return;
    }
    const int direction = bAscending ? 1 : -1;
    if (bCaseSensitive) {
        auto cmp = [](const QString& a, const QString& b) { return CompareExact(a, b); };
        RangeSort(arr, lo, hi, direction, cmp);
    } else {
        QCollator& collator = TextCollator();
        auto cmp = [&collator](const QString& a, const QString& b) {
            const int r = collator.compare(a, b);
            return r < 0 ? -1 : (r > 0 ? 1 : 0);
        };
        RangeSort(arr, lo, hi, direction, cmp);
    }
}

void SortStringArray(QStringList& arr, bool bAscending, bool bCaseSensitive) {
    SortStringArray(arr, 0, arr.size() - 1, bAscending, bCaseSensitive);
}

} // namespace lumadeck
