// The registry shared with other processes: a writer killed at random moments
// leaves a sound database holding every value's old or new text, and two
// writers at once lose nothing.
#include "platform/cRegistry.h"
#include "registry_crash_steps.h"
#include "testing/QtPrinters.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

using namespace lumadeck;

namespace {

const QString Absent = QStringLiteral("<absent>");

QString shortText(const QString& text) {
    return text.left(text.indexOf('|') + 1) + QString::number(text.size());
}

// The single-row answer of a query on the database file.
QString queryText(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("<cannot open>");
    }
    sqlite3_busy_timeout(db, 10000);
    QString answer = QStringLiteral("<no row>");
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        answer = QString::fromUtf8(sqlite3_errmsg(db));
    } else if (sqlite3_step(stmt) == SQLITE_ROW) {
        answer = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return answer;
}

} // namespace

TEST(RegistryProcesses, KilledWriterLeavesOldOrNewValues) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/Lumadeck/registry.sqlite";
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> killAfterMs(0, 150);

    QMap<int, QString> expected; // slot -> text the database must hold
    int acknowledged = 0;
    for (int run = 0; run < 50; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        QProcess child;
        child.start(REGISTRY_CHILD, {"crash", file, QString::number(run)});
        ASSERT_TRUE(child.waitForStarted());
        // Most kills land once writing is under way; every fifth one may
        // also hit the opening of the database.
        if (run % 5 != 0) {
            ASSERT_TRUE(child.waitForReadyRead(20000));
        }
        QThread::msleep(killAfterMs(rng));
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the child stopped by itself";

        // Complete lines are writes that were read back; a cut-off last line
        // counts as not acknowledged.
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        ASSERT_FALSE(out.contains("MISMATCH")) << out.toStdString();
        QStringList lines = out.split('\n');
        lines.removeLast();
        int last = -1;
        for (const QString& line : lines) {
            const int step = line.toInt();
            ASSERT_EQ(step, last + 1);
            last = step;
            expected[registry_crash::slotOf(step)] = registry_crash::textOf(run, step);
        }
        acknowledged += int(lines.size());

        if (!QFile::exists(file)) {
            ASSERT_EQ(last, -1) << "writes acknowledged without a database file";
            continue; // killed before the database was created
        }
        ASSERT_EQ(queryText(file, "PRAGMA integrity_check"), "ok");
        if (queryText(file, "SELECT count(*) FROM sqlite_schema WHERE name IN ('keys', 'vals')") !=
            "2") {
            ASSERT_EQ(last, -1) << "writes acknowledged without the tables";
            continue; // killed before the tables were made
        }
        EXPECT_EQ(queryText(file, "SELECT count(*) FROM keys k WHERE parent <> 0 AND NOT EXISTS "
                                  "(SELECT 1 FROM keys p WHERE p.id = k.parent)"),
                  "0");
        EXPECT_EQ(queryText(file, "SELECT count(*) FROM vals v WHERE NOT EXISTS "
                                  "(SELECT 1 FROM keys k WHERE k.id = v.key)"),
                  "0");

        // The step after the last acknowledged one may or may not have landed.
        const int inFlight = registry_crash::slotOf(last + 1);
        cRegistry reg(file);
        reg.SetClassKey(HKEY_CURRENT_USER);
        reg.SetDefault(Absent);
        for (int slot = 0; slot < registry_crash::Slots; ++slot) {
            reg.SetSectionKey(registry_crash::sectionOf(slot));
            reg.SetValueKey(registry_crash::nameOf(slot));
            const QString actual = reg.Value().toString();
            const QString old = expected.value(slot, Absent);
            if (slot == inFlight && actual == registry_crash::textOf(run, last + 1)) {
                expected[slot] = actual;
                continue;
            }
            EXPECT_EQ(actual, old) << "slot " << slot << ": " << shortText(actual).toStdString()
                                   << " instead of " << shortText(old).toStdString();
        }
    }
    // The kills must have fallen in the middle of real work.
    EXPECT_GE(acknowledged, 40);
    std::printf("%d writes acknowledged over 50 killed runs\n", acknowledged);
}

TEST(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/Lumadeck/registry.sqlite";
    QProcess a, b;
    a.start(REGISTRY_CHILD, {"writer", file, "A", "3"});
    b.start(REGISTRY_CHILD, {"writer", file, "B", "3"});
    ASSERT_TRUE(a.waitForFinished(60000) && b.waitForFinished(60000));
    ASSERT_EQ(a.exitCode() | b.exitCode(), 0);

    const QRegularExpression report("start (\\d+) end (\\d+) count (\\d+)");
    const auto ma = report.match(QString::fromUtf8(a.readAllStandardOutput()));
    const auto mb = report.match(QString::fromUtf8(b.readAllStandardOutput()));
    ASSERT_TRUE(ma.hasMatch() && mb.hasMatch());
    // They really ran at the same time.
    EXPECT_LT(std::max(ma.captured(1).toLongLong(), mb.captured(1).toLongLong()),
              std::min(ma.captured(2).toLongLong(), mb.captured(2).toLongLong()));

    cRegistry reg(file);
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetDefault(Absent);
    reg.SetValueKey("CurrPos");
    QMap<int, QStringList> keysPerDir;
    for (const auto& [who, match] : {std::pair{QString("A"), ma}, std::pair{QString("B"), mb}}) {
        const int count = match.captured(3).toInt();
        EXPECT_GT(count, 20) << who.toStdString();
        int lost = 0;
        for (int i = 0; i < count; ++i) {
            keysPerDir[i % 5].append(QString("%1-%2").arg(who).arg(i));
            reg.SetSectionKey(
                QString("Software\\Lumadeck\\Shared\\Dir%1\\%2-%3").arg(i % 5).arg(who).arg(i));
            if (reg.Value() != QVariant(QString::number(i))) {
                ++lost;
            }
        }
        EXPECT_EQ(lost, 0) << who.toStdString() << " lost " << lost << " of " << count;
        std::printf("writer %s: %d keys\n", qPrintable(who), count);
    }
    for (int d = 0; d < 5; ++d) {
        reg.SetSectionKey(QString("Software\\Lumadeck\\Shared\\Dir%1").arg(d));
        QStringList names;
        long n = 0;
        ASSERT_TRUE(reg.EnumerateSections(names, n));
        QStringList want = keysPerDir[d];
        std::sort(want.begin(), want.end(), [](const QString& x, const QString& y) {
            return x.toCaseFolded() < y.toCaseFolded();
        });
        EXPECT_EQ(names, want) << "Dir" << d;
    }
}
