#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace lumadeck {

// Walks folder trees and reports, one FoundFile at a time, every file whose
// name matches one of a list of specifications ("*.*", "*.dat;*.mpg").
// A folder's own matching files come first, sorted without regard to case,
// then its subfolders depth first. Runs on the user-interface thread and
// lets pending events run once per directory entry and once per path, so a
// Cancel can arrive in the middle of a search.
//
// Symbolic links to files are reported; symbolic links to folders are not
// descended, nor is a folder that is already on the path being walked.
// Unreadable or vanishing folders contribute nothing. Names that are not
// valid UTF-8 are reported losslessly (see FileNames.h).
class clsFindFile : public QObject {
    Q_OBJECT

public:
    explicit clsFindFile(QObject* parent = nullptr);
    ~clsFindFile() override;

    // Searches szPath (folders separated by ";"; "" is the current folder)
    // for szFileSpec (specifications separated by ";"). Returns the number
    // of files reported (as left by the EndFindFiles handlers), or 0 when
    // the search was cancelled. A call made while a search runs returns 0
    // and does nothing.
    long FindFiles(const QString& szPath, const QString& szFileSpec);

    // Replaces the stored specifications; never leaves them empty.
    void SplitFileSpecs(const QString& szFileSpec);

    // Stops the running search at its next step.
    void Cancel() { m_cancel = true; }

    const QStringList& Specs() const { return mvarSpecs; }
    long FileCount() const { return m_fileCount; }
    bool IsCancelled() const { return m_cancel; }
    bool IsSearching() const { return m_searching; }

    // How many folder levels below each path the walk goes down; folders
    // deeper than that are not entered. No limit unless set (0 or less
    // removes it again).
    void SetMaxDepth(int levels) { m_maxDepth = levels; }
    int MaxDepth() const { return m_maxDepth; }

    // What "let pending events run" does. By default: posted events at
    // every directory entry and a whole QCoreApplication::processEvents() at
    // the first entry, then at most once a millisecond, and once per path.
    // A function set here runs instead at every entry and path (an empty
    // function restores the default).
    void SetEventPump(std::function<void()> pump);

    // Wildcard matching: "*" is any run of characters, "?" any one
    // character, in either string. A single greedy forward pass, and when
    // that fails one more on both strings reversed.
    static bool StrWildCompare(const QString& str1, const QString& str2, bool bCase);
    // One forward pass.
    static bool CompareStrings(const QString& str1, const QString& str2, bool bCase);
    // Skips the wildcard run of str1 starting at iIndex1 (1-based, in
    // characters) and finds the literal after it in str2 from iIndex2. The
    // positions move past the literal only when it is found (bContinue true).
    static bool SkipWildChars(const QString& str1, int& iIndex1, const QString& str2, int& iIndex2,
                              bool& bContinue, bool bCase);
    // Equal characters: exactly, or after lower-casing both (Unicode rules).
    static bool CompareCharacters(const QString& ch1, const QString& ch2, bool bCase);

signals:
    void BeginFindFiles();
    void EndFindFiles(long& FileCount);
    void FoundFile(const QString& szFullFileName, const QString& szFileName, bool& Cancel);
    void FindFilesCancelled(long& FileCount);

private:
    friend class FolderWalk;

    QStringList mvarSpecs{QStringLiteral("*.*")};
    bool m_cancel = false;
    long m_fileCount = 0;
    bool m_searching = false;
    std::function<void()> m_pump;
    int m_maxDepth = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace lumadeck
