#pragma once

#include <QString>

namespace lumadeck {

// One playlist entry: a file name exactly as it was added (normally a full
// path, but any text is accepted) and its title, the part after the last "/".
class clsFiles {
public:
    clsFiles() = default;
    explicit clsFiles(const QString& fileName)
        : m_fileName(fileName), m_fileTitle(TitleOf(fileName)) {}

    const QString& szFileName() const { return m_fileName; }
    // Stores the name and derives the title at once.
    void setSzFileName(const QString& fileName);
    const QString& szFileTitle() const { return m_fileTitle; }

    // The part of a name after its last "/"; the whole name when it has none.
    static QString TitleOf(const QString& fileName);
    // Counts every rename of an existing entry, program-wide, so that lists
    // can tell when their look-up tables are out of date.
    static unsigned long Renames();

private:
    QString m_fileName;
    QString m_fileTitle;
};

} // namespace lumadeck
