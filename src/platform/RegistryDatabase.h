#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/types.h>

struct sqlite3;

namespace lumadeck {

// The SQLite file behind cRegistry. Keys form a tree (table "keys": id,
// parent, name, folded name; the three roots are ids 1 to 3 with parent 0),
// values hang off keys (table "vals"). Every call is one transaction.
//
// The connection is opened on first use and kept; it is opened again when
// the file was removed or replaced meanwhile. A file that turns out not to
// be a database, or to be damaged, is renamed aside and a new one started.
// Failures are told on standard error, once until an operation succeeds
// again.
class RegistryDatabase {
public:
    enum class Status { Ok, Missing, Failed };
    static constexpr qint64 ClassesRoot = 1;
    static constexpr qint64 CurrentUser = 2;
    static constexpr qint64 LocalMachine = 3;

    explicit RegistryDatabase(QString file);
    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    // `path` is the list of key names below the root `root` (1 to 3); names
    // are matched case-insensitively.
    Status readValue(qint64 root, const QStringList& path, const QString& name, long& type,
                     QByteArray& data);
    bool writeValue(qint64 root, const QStringList& path, const QString& name, long type,
                    const QByteArray& data);
    bool keyExists(qint64 root, const QStringList& path);
    bool createKey(qint64 root, const QStringList& path);
    // Deletes the key and everything beneath it; with onlyIfEmpty, only a
    // key without values and subkeys. The roots cannot be deleted.
    bool deleteKey(qint64 root, const QStringList& path, bool onlyIfEmpty);
    bool deleteValue(qint64 root, const QStringList& path, const QString& name);
    Status listValues(qint64 root, const QStringList& path, QStringList& names);
    Status listKeys(qint64 root, const QStringList& path, QStringList& names);

    QString file() const { return m_file; }
    // Closes the connection (the last one to close folds the write-ahead log
    // back and removes it); the next call opens it again.
    void Close() { close(); }

private:
    // The names the query (with the key as ?1) lists under a key.
    Status listNames(qint64 root, const QStringList& path, const char* sql, QStringList& names);
    struct Error {
        int code;
        QString what;
    };
    class Statement;

    sqlite3* connection();
    sqlite3* open(bool afterMovingAside);
    void close();
    void initialise(sqlite3* db);
    [[noreturn]] void fail(sqlite3* db, int code, const char* what);
    void exec(sqlite3* db, const char* sql);
    qint64 findChild(sqlite3* db, qint64 parent, const QString& name);
    qint64 resolve(sqlite3* db, qint64 root, const QStringList& path);
    qint64 resolveOrCreate(sqlite3* db, qint64 root, const QStringList& path);
    template <class Body> bool transaction(bool write, Body&& body);
    void report(const QString& what);
    void moveAside(const QString& why);

    QString m_file;
    sqlite3* m_db = nullptr;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_reported = false;
};

} // namespace lumadeck
