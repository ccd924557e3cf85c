#include "RegistryDatabase.h"
#include "Utf8.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumadeck {

namespace {

constexpr int BusyTimeoutMs = 10000;

const char* const Schema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS vals(
    id INTEGER PRIMARY KEY,
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, folded));
INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES
    (1, 0, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),
    (2, 0, 'HKEY_CURRENT_USER', 'hkey_current_user'),
    (3, 0, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');
)sql";

// The saved positions are the viewing history of the user: the names of
// the files watched and the labels of the discs. Only the user may read
// them. Missing folders on the way are made 0700 (as the XDG base
// directories should be); the database's own folder is set to 0700 even
// when it already exists.
bool makePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    for (qsizetype slash = path.indexOf('/', 1); slash >= 0; slash = path.indexOf('/', slash + 1)) {
        ::mkdir(path.left(slash).constData(), 0700); // exists already, mostly
    }
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    if ((st.st_mode & 07777) != 0700) {
        ::chmod(path.constData(), 0700);
    }
    return true;
}

// The database file is made 0600 before the engine opens it, so that its
// journal files, which take the database file's mode, are 0600 as well;
// files made by older versions with wider modes are narrowed.
void makePrivateFiles(const QString& file) {
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const QByteArray name = path + suffix;
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mode & 07777) != 0600) {
            ::chmod(name.constData(), 0600);
        }
    }
}

bool isCorruption(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

QString folded(const QString& name) {
    return name.toCaseFolded();
}

// Names are stored as UTF-8, except that a lone surrogate (a file name byte
// that was not UTF-8, as the file finder reports it) keeps its own 3-byte
// form instead of turning into "?": two such names must stay two keys.
QByteArray nameBytes(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name.at(i).unicode();
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && name.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(u, name.at(i + 1).unicode());
            ++i;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

// The name nameBytes() stored; bytes that form no sequence read as U+FFFD.
QString nameFromBytes(const char* data, int size) {
    QString out;
    out.reserve(size);
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    int i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        int len = b < 0x80             ? 1
                  : (b & 0xE0) == 0xC0 ? 2
                  : (b & 0xF0) == 0xE0 ? 3
                  : (b & 0xF8) == 0xF0 ? 4
                                       : 0;
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        if (len == 0 || i + len > size) {
            len = 0;
        }
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                len = 0;
                break;
            }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (len == 0) {
            out.append(QChar(QChar::ReplacementCharacter));
            ++i;
            continue;
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else if (cp < 0x10000) {
            out.append(QChar(char16_t(cp)));
        } else {
            out.append(QChar(QChar::ReplacementCharacter));
        }
        i += len;
    }
    return out;
}

} // namespace

// A prepared statement, finalised when it goes out of scope. Every failing
// step throws Error, caught by the transaction around it.
class RegistryDatabase::Statement {
public:
    Statement(RegistryDatabase& owner, sqlite3* db, const char* sql) : m_owner(owner), m_db(db) {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
        if (rc != SQLITE_OK) {
            m_owner.fail(db, rc, "prepare");
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, qint64 value) {
        check(sqlite3_bind_int64(m_stmt, index, value));
        return *this;
    }
    // Binds a key or value name.
    Statement& bind(int index, const QString& text) {
        const QByteArray utf8 = nameBytes(text);
        check(
            sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindBlob(int index, const QByteArray& data) {
        // A zero-length blob still needs a non-null pointer to be a blob.
        static const char empty = 0;
        check(sqlite3_bind_blob(m_stmt, index, data.isEmpty() ? &empty : data.constData(),
                                int(data.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        m_owner.fail(m_db, rc, "step");
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QString text(int column) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return nameFromBytes(p, sqlite3_column_bytes(m_stmt, column));
    }
    QByteArray blob(int column) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        return QByteArray(p, sqlite3_column_bytes(m_stmt, column));
    }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) {
            m_owner.fail(m_db, rc, "bind");
        }
    }

    RegistryDatabase& m_owner;
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

RegistryDatabase::RegistryDatabase(QString file) : m_file(std::move(file)) {}

RegistryDatabase::~RegistryDatabase() {
    close();
}

void RegistryDatabase::fail(sqlite3* db, int code, const char* what) {
    QString message = QString::fromLatin1(what);
    if (db) {
        message += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    }
    throw Error{code, message};
}

void RegistryDatabase::exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString();
        sqlite3_free(message);
        throw Error{rc, text};
    }
}

void RegistryDatabase::report(const QString& what) {
    if (m_reported) {
        return;
    }
    m_reported = true;
    std::fprintf(stderr, "lumadeck: registry %s: %s\n", qUtf8Printable(m_file),
                 qUtf8Printable(what));
    std::fflush(stderr);
}

void RegistryDatabase::close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void RegistryDatabase::moveAside(const QString& why) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd-hhmmss");
    QString target = m_file + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo::exists(target + "-wal"); ++n) {
        target = m_file + QStringLiteral(".corrupt-%1-%2").arg(stamp).arg(n);
    }
    // The journal belongs to the damaged file: replayed into a new database
    // it would damage that one too.
    QFile::rename(m_file + "-wal", target + "-wal");
    QFile::remove(m_file + "-shm");
    QFile::remove(m_file + "-journal");
    if (QFile::rename(m_file, target)) {
        report(QStringLiteral("is damaged (%1); kept as %2, starting afresh").arg(why, target));
    } else {
        report(QStringLiteral("is damaged (%1) and cannot be moved aside").arg(why));
    }
}

void RegistryDatabase::initialise(sqlite3* db) {
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Write-ahead logging lets a second copy of the program read while one
    // writes; a full sync makes every finished write survive a crash.
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=FULL");
    {
        Statement check(*this, db, "PRAGMA quick_check");
        if (!check.step() || check.text(0) != QLatin1String("ok")) {
            throw Error{SQLITE_CORRUPT, QStringLiteral("the database is damaged")};
        }
    }
    exec(db, "BEGIN IMMEDIATE");
    try {
        exec(db, Schema);
        exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

sqlite3* RegistryDatabase::open(bool afterMovingAside) {
    if (m_file.isEmpty()) {
        report(QStringLiteral("no data folder to keep the registry in"));
        return nullptr;
    }
    const QFileInfo info(m_file);
    if (!makePrivateFolder(info.absolutePath())) {
        report(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
        return nullptr;
    }
    makePrivateFiles(m_file);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        report(QStringLiteral("cannot open: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
        sqlite3_close_v2(db);
        return nullptr;
    }
    try {
        // Switching a new file to write-ahead logging while another copy of
        // the program does the same can fail as busy without waiting for
        // the busy timeout; such a failure is tried again until it runs out.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            try {
                initialise(db);
                break;
            } catch (const Error& e) {
                const int base = e.code & 0xff;
                if ((base != SQLITE_BUSY && base != SQLITE_LOCKED) ||
                    waited.elapsed() >= BusyTimeoutMs) {
                    throw;
                }
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                QThread::msleep(5);
            }
        }
    } catch (const Error& e) {
        sqlite3_close_v2(db);
        if (isCorruption(e.code) && !afterMovingAside) {
            moveAside(e.what);
            return open(true);
        }
        report(e.what);
        return nullptr;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(m_file).constData(), &st) == 0) {
        m_device = st.st_dev;
        m_inode = st.st_ino;
    }
    return db;
}

sqlite3* RegistryDatabase::connection() {
    if (m_db) {
        // Removed or replaced behind our back: writing on would go into a
        // file nobody will read again.
        struct stat st {};
        if (::stat(QFile::encodeName(m_file).constData(), &st) != 0 || st.st_dev != m_device ||
            st.st_ino != m_inode) {
            close();
        }
    }
    if (!m_db) {
        m_db = open(false);
    }
    return m_db;
}

template <class Body> bool RegistryDatabase::transaction(bool write, Body&& body) {
    sqlite3* db = connection();
    if (!db) {
        return false;
    }
    try {
        exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN");
        try {
            body(db);
            exec(db, "COMMIT");
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        m_reported = false;
        return true;
    } catch (const Error& e) {
        if (isCorruption(e.code)) {
            close();
            moveAside(e.what);
        } else {
            report(e.what);
        }
    } catch (...) {
        report(QStringLiteral("unexpected failure"));
    }
    return false;
}

qint64 RegistryDatabase::findChild(sqlite3* db, qint64 parent, const QString& name) {
    Statement s(*this, db, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    s.bind(1, parent).bind(2, folded(name));
    return s.step() ? s.integer(0) : 0;
}

qint64 RegistryDatabase::resolve(sqlite3* db, qint64 root, const QStringList& path) {
    qint64 id = root;
    for (const QString& part : path) {
        id = findChild(db, id, part);
        if (id == 0) {
            return 0;
        }
    }
    return id;
}

qint64 RegistryDatabase::resolveOrCreate(sqlite3* db, qint64 root, const QStringList& path) {
    qint64 id = root;
    for (const QString& part : path) {
        const qint64 child = findChild(db, id, part);
        if (child != 0) {
            id = child;
            continue;
        }
        Statement s(*this, db, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
        s.bind(1, id).bind(2, part).bind(3, folded(part));
        s.step();
        id = sqlite3_last_insert_rowid(db);
    }
    return id;
}

RegistryDatabase::Status RegistryDatabase::readValue(qint64 root, const QStringList& path,
                                                     const QString& name, long& type,
                                                     QByteArray& data) {
    bool found = false;
    const bool ok = transaction(false, [&](sqlite3* db) {
        const qint64 key = resolve(db, root, path);
        if (key == 0) {
            return;
        }
        Statement s(*this, db, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
        s.bind(1, key).bind(2, folded(name));
        if (s.step()) {
            found = true;
            type = long(s.integer(0));
            data = s.blob(1);
        }
    });
    return !ok ? Status::Failed : found ? Status::Ok : Status::Missing;
}

bool RegistryDatabase::writeValue(qint64 root, const QStringList& path, const QString& name,
                                  long type, const QByteArray& data) {
    return transaction(true, [&](sqlite3* db) {
        const qint64 key = resolveOrCreate(db, root, path);
        Statement s(*this, db,
                    "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                    "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, "
                    "data = excluded.data");
        s.bind(1, key).bind(2, name).bind(3, folded(name)).bind(4, qint64(type)).bindBlob(5, data);
        s.step();
    });
}

bool RegistryDatabase::keyExists(qint64 root, const QStringList& path) {
    bool exists = false;
    transaction(false, [&](sqlite3* db) { exists = resolve(db, root, path) != 0; });
    return exists;
}

bool RegistryDatabase::createKey(qint64 root, const QStringList& path) {
    return transaction(true, [&](sqlite3* db) { resolveOrCreate(db, root, path); });
}

bool RegistryDatabase::deleteKey(qint64 root, const QStringList& path, bool onlyIfEmpty) {
    if (path.isEmpty()) {
        return false;
    }
    bool deleted = false;
    const bool ok = transaction(true, [&](sqlite3* db) {
        const qint64 key = resolve(db, root, path);
        if (key == 0) {
            return;
        }
        if (onlyIfEmpty) {
            Statement values(*this, db, "SELECT 1 FROM vals WHERE key = ?1 LIMIT 1");
            Statement children(*this, db, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
            if (values.bind(1, key).step() || children.bind(1, key).step()) {
                return;
            }
        }
        // UNION visits each key once, so a damaged file whose keys form a
        // cycle is cleared in bounded time; the three roots are never part
        // of a subtree.
        Statement values(*this, db,
                         "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "
                         "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id "
                         "WHERE keys.id NOT IN (1, 2, 3)) "
                         "DELETE FROM vals WHERE key IN (SELECT id FROM sub)");
        values.bind(1, key).step();
        Statement keys(*this, db,
                       "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "
                       "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id "
                       "WHERE keys.id NOT IN (1, 2, 3)) "
                       "DELETE FROM keys WHERE id IN (SELECT id FROM sub)");
        keys.bind(1, key).step();
        deleted = true;
    });
    return ok && deleted;
}

bool RegistryDatabase::deleteValue(qint64 root, const QStringList& path, const QString& name) {
    bool deleted = false;
    const bool ok = transaction(true, [&](sqlite3* db) {
        const qint64 key = resolve(db, root, path);
        if (key == 0) {
            return;
        }
        Statement s(*this, db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
        s.bind(1, key).bind(2, folded(name)).step();
        deleted = sqlite3_changes(db) > 0;
    });
    return ok && deleted;
}

RegistryDatabase::Status RegistryDatabase::listNames(qint64 root, const QStringList& path,
                                                     const char* sql, QStringList& names) {
    bool found = false;
    const bool ok = transaction(false, [&](sqlite3* db) {
        const qint64 key = resolve(db, root, path);
        if (key == 0) {
            return;
        }
        found = true;
        Statement s(*this, db, sql);
        s.bind(1, key);
        while (s.step()) {
            names.append(s.text(0));
        }
    });
    return !ok ? Status::Failed : found ? Status::Ok : Status::Missing;
}

RegistryDatabase::Status RegistryDatabase::listValues(qint64 root, const QStringList& path,
                                                      QStringList& names) {
    return listNames(root, path, "SELECT name FROM vals WHERE key = ?1 ORDER BY id", names);
}

RegistryDatabase::Status RegistryDatabase::listKeys(qint64 root, const QStringList& path,
                                                    QStringList& names) {
    return listNames(root, path, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded, name",
                     names);
}

} // namespace lumadeck
