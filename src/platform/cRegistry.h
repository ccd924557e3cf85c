#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace lumadeck {

// Root keys of the registry. The values are the handles the registry's
// callers have always used, so stored settings and callers keep them.
inline constexpr long HKEY_CLASSES_ROOT = 0x80000000L;
inline constexpr long HKEY_CURRENT_USER = 0x80000001L;
inline constexpr long HKEY_LOCAL_MACHINE = 0x80000002L;

// Value types.
inline constexpr long REG_NONE = 0;
inline constexpr long REG_SZ = 1;
inline constexpr long REG_EXPAND_SZ = 2;
inline constexpr long REG_BINARY = 3;
inline constexpr long REG_DWORD = 4;
inline constexpr long REG_DWORD_BIG_ENDIAN = 5;
inline constexpr long REG_MULTI_SZ = 7;

class RegistryDatabase;

// The per-user registry: three roots of nested keys separated by "\", each
// key holding typed values. Key and value names keep the case they were
// created with and are matched without regard to case. Everything lives in
// one SQLite database file (by default Lumadeck/registry.sqlite in the
// user's data folder); every write is one transaction, so a crash never
// leaves a half-written value and several running copies of the program can
// share the file.
//
// Used address first, action second: set ClassKey, SectionKey and ValueKey,
// then read or write Value or call a key operation. SectionKey "" is the
// root itself; one trailing "\" is ignored; an empty part anywhere else
// ("a\\b", "\a") addresses no key.
//
// Nothing here throws. A database that cannot be opened or read makes reads
// give Default and writes do nothing, with one line on standard error; a
// corrupt database file is renamed aside (registry.sqlite.corrupt-<time>)
// and a fresh one is started.
class cRegistry {
public:
    // The database file to use; "" means DefaultDatabaseFile().
    explicit cRegistry(const QString& databaseFile = {});
    ~cRegistry();
    cRegistry(const cRegistry&) = delete;
    cRegistry& operator=(const cRegistry&) = delete;

    // <XDG data home>/Lumadeck/registry.sqlite, unless overridden.
    static QString DefaultDatabaseFile();
    // Replaces the default file for registries created afterwards ("" goes
    // back to the XDG location). For tests.
    static void SetDefaultDatabaseFile(const QString& file);

    QString DatabaseFile() const { return m_file; }
    // Closes the database connection, folding its write-ahead log back into
    // the file; the next operation opens it again. For the end of the program.
    void Close();

    long ClassKey() const { return m_classKey; }
    void SetClassKey(long eKey) { m_classKey = eKey; }
    QString SectionKey() const { return m_sectionKey; }
    void SetSectionKey(const QString& sSectionKey) { m_sectionKey = sSectionKey; }
    QString ValueKey() const { return m_valueKey; }
    void SetValueKey(const QString& sValueKey) { m_valueKey = sValueKey; }
    long ValueType() const { return m_valueType; }
    void SetValueType(long eValueType) { m_valueType = eValueType; }
    QVariant Default() const { return m_default; }
    void SetDefault(const QVariant& vDefault) { m_default = vDefault; }

    // The value named by ClassKey, SectionKey and ValueKey, or Default when
    // it cannot be read. A successful read sets ValueType to the stored type.
    // REG_SZ and REG_MULTI_SZ give a QString without the final NUL (the NULs
    // between the strings of a REG_MULTI_SZ stay); REG_EXPAND_SZ gives the
    // QString with every %NAME% of a set environment variable replaced by its
    // value; REG_DWORD and REG_DWORD_BIG_ENDIAN give an int; every other type
    // gives the data as a QByteArray.
    QVariant Value();
    // Writes by ValueType; silent on failure. REG_SZ/REG_EXPAND_SZ: the text
    // of vValue, stored as REG_EXPAND_SZ when it holds a "%" with a further
    // "%" at least two characters on, else REG_SZ. REG_BINARY: only a
    // QByteArray. REG_DWORD/REG_DWORD_BIG_ENDIAN: only an integer that fits
    // in 32 bits, stored as a little-endian REG_DWORD. Anything else writes
    // nothing. Missing keys are created, parents included.
    void SetValue(const QVariant& vValue);

    // The key exists.
    bool KeyExists();
    // The key was created (with any missing parents) or already existed.
    bool CreateKey();
    // The key was deleted, with every key beneath it.
    bool DeleteKey();
    // The value ValueKey was deleted from the key.
    bool DeleteValue();
    // Deletes the key only when it holds neither values nor subkeys; true
    // when it was deleted.
    bool DeleteKeyIfEmpty();

    // The names of the key's values in the order they were created. Unlike
    // the 1-based arrays of old, sKeyNames is 0-based: names 0 to
    // iKeyCount - 1. Always true; a missing key gives 0 names.
    bool EnumerateValues(QStringList& sKeyNames, long& iKeyCount);
    // The names of the key's subkeys, sorted without regard to case, 0-based
    // as above. A missing key gives true and 0 names; false only when the
    // database fails while listing.
    bool EnumerateSections(QStringList& sSect, long& iSectCount);

    // Registers sExePath as the program for files ending in "." +
    // sAssociation, under the class sClassName, in HKEY_CLASSES_ROOT and in
    // HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Empty menu texts take "&Open",
    // "&Print", "&New" and "&Install <extension>". Leaves ClassKey at
    // HKEY_LOCAL_MACHINE, ValueKey "" and ValueType REG_SZ.
    void CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                              const QString& sClassDescription, const QString& sAssociation,
                              const QString& sOpenMenuText = {}, bool bSupportPrint = false,
                              const QString& sPrintMenuText = {}, bool bSupportNew = false,
                              const QString& sNewMenuText = {}, bool bSupportInstall = false,
                              const QString& sInstallMenuText = {}, long lDefaultIconIndex = -1);
    // Adds verbs to an existing class: vItems holds triples (verb, menu
    // text, command line). Does nothing unless the item count is a multiple
    // of 3 and sClassName exists below the current ClassKey.
    void CreateAdditionalEXEAssociations(const QString& sClassName, const QVariantList& vItems);

private:
    void SetClassValue(const QString& sSectionKey, const QString& sValue);

    QString m_file;
    std::unique_ptr<RegistryDatabase> m_db;
    long m_classKey = 0;
    QString m_sectionKey;
    QString m_valueKey;
    long m_valueType = 0;
    QVariant m_default;
};

// "%NAME%" replaced by the value of the environment variable NAME wherever
// NAME is set; everything else is kept as it stands.
QString ExpandEnvironmentStrings(const QString& text);

} // namespace lumadeck
