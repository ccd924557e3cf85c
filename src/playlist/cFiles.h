#pragma once

#include "playlist/clsFiles.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace lumadeck {

// What Item and Remove are given: an integer is a 0-based position, anything
// else (text, a floating-point number, a Boolean) is a file name. A number
// used as a name is its ordinary text form (2.5 is "2.5", 3.0 is "3").
class FileKey {
public:
    FileKey(short position) : m_isPosition(true), m_position(position) {}
    FileKey(int position) : m_isPosition(true), m_position(position) {}
    FileKey(long position) : m_isPosition(true), m_position(position) {}
    FileKey(long long position) : m_isPosition(true), m_position(position) {}
    FileKey(const QString& name) : m_name(name) {}
    FileKey(const char* name) : m_name(QString::fromUtf8(name)) {}
    FileKey(double number);
    FileKey(bool value) : m_name(value ? QStringLiteral("True") : QStringLiteral("False")) {}

    bool isPosition() const { return m_isPosition; }
    long long position() const { return m_position; }
    const QString& name() const { return m_name; }

private:
    bool m_isPosition = false;
    long long m_position = 0;
    QString m_name;
};

// The ordered playlist: entries appended at the end, no keys, duplicates
// allowed, positions 0-based. Entries handed out by Add and Item are shared
// with the collection, not copied.
class cFiles {
public:
    using Entry = std::shared_ptr<clsFiles>;
    using const_iterator = std::vector<Entry>::const_iterator;

    // Appends an entry for the name and returns it.
    Entry Add(const QString& szFileName);
    // The entry at a position, or the first one whose name equals the key
    // exactly (letter case counts); nullptr when there is none.
    Entry Item(const FileKey& vntIndexKey) const;
    long Count() const { return static_cast<long>(m_entries.size()); }
    // Removes the entry at a position, or the first one whose name equals the
    // key ignoring letter case. Nothing happens when there is no such entry.
    void Remove(const FileKey& vntIndexKey);
    void Clear();
    // Takes the entry at position `from` out and puts it back so that it
    // stands at position `to`; the entries between shift by one. The entries
    // themselves are kept. Nothing happens unless both positions exist.
    void Move(long from, long to);
    // The position of the first entry whose name equals the given one
    // ignoring letter case; -1 when there is none. Kept fast for long lists
    // by a look-up table.
    long FindIgnoringCase(const QString& name) const;

    // Front-to-back iteration ("for each").
    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }

private:
    void remember(const QString& name, long position) const;

    std::vector<Entry> m_entries;
    // Case-folded name -> first position; built on first use, kept up to
    // date by Add and dropped by Remove, Clear and any entry's renaming.
    mutable QHash<QString, long> m_firstByName;
    mutable bool m_lookupValid = false;
    mutable unsigned long m_lookupRenames = 0;
};

} // namespace lumadeck
