#include "cd/MStringSortRoutines.h"

#include <QRandomGenerator>
#include <algorithm>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {
QStringList Numbered(int n, bool descending) {
    QStringList out;
    for (int i = 0; i < n; ++i) {
        out.append(QStringLiteral("f%1").arg(descending ? n - i : i + 1, 4, 10, QLatin1Char('0')));
    }
    return out;
}
bool SortedBy(const QStringList& l, int direction, int (*cmp)(const QString&, const QString&)) {
    for (qsizetype i = 1; i < l.size(); ++i) {
        if (cmp(l[i - 1], l[i]) == direction) {
            return false;
        }
    }
    return true;
}
} // namespace

TEST(SortStringArray, TextAndExactModesBothDirections) {
    QStringList l{"b", "A", "c", ""};
    SortStringArray(l, true, false);
    EXPECT_EQ(l, (QStringList{"", "A", "b", "c"}));
    SortStringArray(l, false, false);
    EXPECT_EQ(l, (QStringList{"c", "b", "A", ""}));
    // Exact mode is code point order, also past the 16-bit range.
    const QString clapper = QString::fromUtf8("\xf0\x9f\x8e\xac");
    const QString wideA = QString::fromUtf8("\xef\xbc\xa1");
    l = QStringList{"b", clapper, "B", wideA, "a"};
    SortStringArray(l, true, true);
    EXPECT_EQ(l, (QStringList{"B", "a", "b", wideA, clapper}));
    SortStringArray(l, false, true);
    EXPECT_EQ(l, (QStringList{clapper, wideA, "b", "a", "B"}));
}

// Empty and tiny arrays, and both sides of the hand-over to insertion sort.
TEST(SortStringArray, AroundTheInsertionSortHandOver) {
    for (int n : {0, 1, 2, 60, 61, 62, 63, 200}) {
        for (bool descending : {false, true}) {
            QStringList l = Numbered(n, descending);
            SortStringArray(l, true, true);
            EXPECT_EQ(l, Numbered(n, false)) << n;
            SortStringArray(l, false, false);
            EXPECT_EQ(l, Numbered(n, true)) << n;
        }
    }
}

TEST(SortStringArray, EqualElementsAndCaseOnlyDifferences) {
    QStringList same(500, QStringLiteral("AVSEQ01.DAT"));
    SortStringArray(same, true, false);
    EXPECT_EQ(same, QStringList(500, QStringLiteral("AVSEQ01.DAT")));
    // Within the insertion sort, names equal but for case keep their order.
    QStringList l{"b.DAT", "A.dat", "B.dat", "a.DAT", "c.dat"};
    SortStringArray(l, true, false);
    EXPECT_EQ(l, (QStringList{"A.dat", "a.DAT", "b.DAT", "B.dat", "c.dat"}));
}

TEST(SortStringArray, RandomArraysEndSortedAndKeepTheirElements) {
    QRandomGenerator rng(42);
    for (int round = 0; round < 40; ++round) {
        const int n = int(rng.bounded(1, 400));
        QStringList l;
        for (int i = 0; i < n; ++i) {
            QString s;
            const int len = int(rng.bounded(0, 4));
            for (int k = 0; k < len; ++k) {
                s.append(QChar(u"aBbAcC"[rng.bounded(6)]));
            }
            l.append(s);
        }
        const bool exact = round % 2 == 0;
        const bool ascending = round % 4 < 2;
        QStringList sorted = l;
        SortStringArray(sorted, ascending, exact);
        EXPECT_TRUE(SortedBy(sorted, ascending ? 1 : -1, exact ? CompareExact : CompareText));
        QStringList a = l, b = sorted;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
    }
}

TEST(SortStringArray, SortsOnlyTheGivenRange) {
    QStringList l{"z", "c", "b", "a", "y"};
    SortStringArray(l, 1, 3, true, true);
    EXPECT_EQ(l, (QStringList{"z", "a", "b", "c", "y"}));
    SortStringArray(l, -5, 99, true, true); // out of range bounds are clamped
    EXPECT_EQ(l, (QStringList{"a", "b", "c", "y", "z"}));
}
