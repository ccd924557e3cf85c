#include "clsFindFile.h"

#include "FileNames.h"
#include "MStringSortRoutines.h"
#include "WildCard.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumadeck {

namespace {

// Code points of a string; a lone surrogate (an undecodable byte of a file
// name) stays as it is, so that different bytes stay different.
void ToCodePoints(const QString& s, std::u32string& out) {
    out.clear();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(s.at(i + 1).unicode())) {
            out.push_back(QChar::surrogateToUcs4(u, s.at(i + 1).unicode()));
            ++i;
        } else {
            out.push_back(u);
        }
    }
}

std::u32string ToCodePoints(const QString& s) {
    std::u32string out;
    ToCodePoints(s, out);
    return out;
}

void LowerInPlace(std::u32string& s) {
    for (char32_t& c : s) {
        if (c < 0x80) {
            if (c >= U'A' && c <= U'Z') {
                c += 32;
            }
        } else {
            c = QChar::toLower(c);
        }
    }
}

QString Trimmed(const QString& s) {
    return s.trimmed();
}

// Only this many folders of the walk keep their descriptor open; deeper
// trees reopen an ancestor by name when they come back to it.
constexpr std::size_t kMaxOpenFolders = 64;

} // namespace

// One run of FindFiles over one path. Holds everything it needs itself, so
// that it can leave safely when a handler destroys the finder.
class FolderWalk {
public:
    FolderWalk(clsFindFile& finder, const std::shared_ptr<bool>& alive,
               const std::vector<std::u32string>& specs)
        : m_finder(finder), m_alive(alive), m_specs(specs) {
        for (const auto& s : m_specs) {
            m_reversedSpecs.push_back(wildcard::Reversed(s));
        }
    }
    ~FolderWalk() {
        for (Frame& f : m_frames) {
            CloseFrame(f);
        }
    }

    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Walks the tree under root (an absolute folder path ending in "/").
    // False when the walk must stop (cancelled, or the finder is gone).
    bool Run(const QString& root) {
        const QByteArray rootBytes = EncodeFileName(root);
        const int fd = ::open(rootBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return true; // cannot be enumerated: contributes nothing
        }
        m_path = root;
        m_rootBytes = rootBytes;
        if (!EnterFolder(fd, QByteArray())) {
            return false;
        }
        while (!m_frames.empty()) {
            Frame& top = m_frames.back();
            if (top.next >= top.subfolders.size()) {
                CloseFrame(top);
                m_onPath.erase({top.dev, top.ino});
                m_frames.pop_back();
                if (!m_frames.empty()) {
                    m_path.truncate(m_frames.back().pathLength);
                }
                continue;
            }
            const QByteArray name = top.subfolders[top.next++];
            const std::size_t index = m_frames.size() - 1;
            if (top.fd < 0 && !Reopen(index)) {
                m_frames[index].next = m_frames[index].subfolders.size(); // vanished
                continue;
            }
            const int childFd = ::openat(m_frames[index].fd, name.constData(),
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                continue; // unreadable, vanished or replaced by a link
            }
            if (!EnterFolder(childFd, name)) {
                return false;
            }
        }
        return true;
    }

private:
    struct Frame {
        int fd = -1;
        dev_t dev = 0;
        ino_t ino = 0;
        QByteArray name;          // the folder's own name ("" for the root)
        qsizetype pathLength = 0; // of m_path while this folder is the deepest
        std::vector<QByteArray> subfolders;
        std::size_t next = 0;
    };

    void CloseFrame(Frame& f) {
        if (f.fd >= 0) {
            ::close(f.fd);
            f.fd = -1;
            --m_openCount;
        }
    }

    bool Alive() const { return *m_alive; }

    // Lets pending events run at a directory entry. Posted events (queued
    // signals, a Cancel posted by a command) run at every entry; a whole
    // turn of the event loop (input, timers, device notifiers), which costs
    // more than reading the entry itself, runs at the first entry and then
    // at most once a millisecond, which no user can tell apart.
    bool Pump() {
        if (m_finder.m_pump) {
            m_finder.m_pump();
        } else if (!m_sinceFullPump.isValid() || m_sinceFullPump.nsecsElapsed() >= 1000000) {
            QCoreApplication::processEvents();
            m_sinceFullPump.start();
        } else {
            QCoreApplication::sendPostedEvents();
        }
        return Alive();
    }

    // Both sides lower-cased once, then compared exactly: the same as
    // comparing them ignoring case, character by character.
    bool Matches(const QString& name) {
        ToCodePoints(name, m_lower);
        LowerInPlace(m_lower);
        bool reversedReady = false;
        for (std::size_t i = 0; i < m_specs.size(); ++i) {
            if (wildcard::CompareStrings(m_lower, m_specs[i], true)) {
                return true;
            }
            if (!reversedReady) {
                m_reversed.assign(m_lower.rbegin(), m_lower.rend());
                reversedReady = true;
            }
            if (wildcard::CompareStrings(m_reversed, m_reversedSpecs[i], true)) {
                return true;
            }
        }
        return false;
    }

    // Lists and reports the files of the folder open on fd, whose name is
    // appended to m_path, and pushes it to be walked for subfolders. Takes
    // ownership of fd.
    bool EnterFolder(int fd, const QByteArray& name) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || m_onPath.count({st.st_dev, st.st_ino}) != 0) {
            ::close(fd); // gone, or a folder already being walked (a loop)
            return true;
        }
        Frame frame;
        frame.fd = fd;
        frame.dev = st.st_dev;
        frame.ino = st.st_ino;
        frame.name = name;
        if (!name.isEmpty()) {
            m_path += DecodeFileName(name);
            m_path += QLatin1Char('/');
        }
        frame.pathLength = m_path.size();
        // The root is level 0; a folder at the deepest level allowed is
        // listed but its subfolders are not entered.
        const bool descend =
            m_finder.m_maxDepth <= 0 || m_frames.size() < std::size_t(m_finder.m_maxDepth);

        QStringList found;
        bool stop = false;
        const int listFd = ::dup(fd);
        DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir && listFd >= 0) {
            ::close(listFd);
        }
        while (dir) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (!entry) {
                break; // the end, or a folder that vanished while being read
            }
            const QByteArrayView entryName(entry->d_name);
            if (!Pump() || m_finder.m_cancel) {
                stop = true;
                break;
            }
            if (entryName == "." || entryName == "..") {
                continue;
            }
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat es {};
                if (::fstatat(fd, entry->d_name, &es, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                type = S_ISDIR(es.st_mode)   ? DT_DIR
                       : S_ISREG(es.st_mode) ? DT_REG
                       : S_ISLNK(es.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
            }
            if (type == DT_DIR) {
                if (descend) {
                    frame.subfolders.push_back(entryName.toByteArray());
                }
                continue;
            }
            if (type == DT_LNK) {
                // A link counts as what it points to; links to folders are
                // never walked, and dangling links are no files.
                struct stat ts {};
                if (::fstatat(fd, entry->d_name, &ts, 0) != 0 || !S_ISREG(ts.st_mode)) {
                    continue;
                }
            } else if (type != DT_REG) {
                continue; // devices, pipes and sockets hold no media
            }
            QString fileName = DecodeFileName(entryName);
            if (Matches(fileName)) {
                found.append(std::move(fileName));
            }
        }
        if (dir) {
            ::closedir(dir);
        }
        if (stop) {
            ::close(fd);
            return false;
        }

        if (!found.isEmpty()) {
            // All share the folder's path, so sorting the names sorts the
            // full paths.
            SortStringArray(found, true, false);
            for (const QString& shortName : std::as_const(found)) {
                const QString full = m_path + shortName;
                ++m_finder.m_fileCount;
                bool& cancel = m_finder.m_cancel;
                emit m_finder.FoundFile(full, shortName, cancel);
                if (!Alive() || m_finder.m_cancel) {
                    ::close(fd);
                    return false;
                }
            }
        }

        m_onPath.insert({frame.dev, frame.ino});
        m_frames.push_back(std::move(frame));
        LimitOpenFolders();
        return true;
    }

    void LimitOpenFolders() {
        ++m_openCount;
        if (m_openCount <= kMaxOpenFolders) {
            return;
        }
        for (Frame& f : m_frames) {
            if (f.fd >= 0) {
                CloseFrame(f);
                return;
            }
        }
    }

    // Opens again the folder of frame index from its nearest open ancestor
    // (or the root's path), checking that every folder on the way is still
    // the one walked before.
    bool Reopen(std::size_t index) {
        std::size_t start = index;
        while (start > 0 && m_frames[start].fd < 0) {
            --start;
        }
        int fd = -1;
        if (m_frames[start].fd >= 0) {
            fd = ::dup(m_frames[start].fd);
        } else {
            fd = ::open(m_rootBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (!SameFolder(fd, m_frames[0])) {
                return false;
            }
        }
        for (std::size_t k = start + 1; k <= index && fd >= 0; ++k) {
            const int child = ::openat(fd, m_frames[k].name.constData(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ::close(fd);
            fd = child;
            if (!SameFolder(fd, m_frames[k])) {
                return false;
            }
        }
        if (fd < 0) {
            return false;
        }
        m_frames[index].fd = fd;
        LimitOpenFolders(); // closes an ancestor, never this deepest folder
        return true;
    }

    static bool SameFolder(int& fd, const Frame& f) {
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == f.dev && st.st_ino == f.ino) {
            return true;
        }
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        return false;
    }

    clsFindFile& m_finder;
    std::shared_ptr<bool> m_alive;
    const std::vector<std::u32string>& m_specs;
    std::vector<std::u32string> m_reversedSpecs;
    std::vector<Frame> m_frames;
    std::set<std::pair<dev_t, ino_t>> m_onPath;
    std::size_t m_openCount = 0;
    QElapsedTimer m_sinceFullPump;
    std::u32string m_lower;
    std::u32string m_reversed;
    QString m_path;
    QByteArray m_rootBytes;
};

clsFindFile::clsFindFile(QObject* parent) : QObject(parent) {}

clsFindFile::~clsFindFile() {
    *m_alive = false;
}

void clsFindFile::SetEventPump(std::function<void()> pump) {
    m_pump = std::move(pump);
}

void clsFindFile::SplitFileSpecs(const QString& szFileSpec) {
    mvarSpecs.clear();
    QString rest = szFileSpec;
    qsizetype semi = rest.indexOf(QLatin1Char(';'));
    while (semi >= 0) {
        const QString piece = Trimmed(rest.left(semi));
        if (!piece.isEmpty()) {
            mvarSpecs.append(piece);
        }
        rest = Trimmed(rest.mid(semi + 1));
        semi = rest.indexOf(QLatin1Char(';'));
    }
    if (!rest.isEmpty()) {
        mvarSpecs.append(rest);
    }
    if (mvarSpecs.isEmpty() || mvarSpecs.contains(QStringLiteral("*.*"))) {
        mvarSpecs = QStringList{QStringLiteral("*.*")};
    }
}

long clsFindFile::FindFiles(const QString& szPath, const QString& szFileSpec) {
    if (m_searching) {
        return 0; // searches never overlap
    }
    const std::shared_ptr<bool> alive = m_alive;
    m_searching = true;
    emit BeginFindFiles();
    if (!*alive) {
        return 0;
    }
    m_fileCount = 0;

    QString paths = szPath;
    QString cwd;
    if (char* here = ::getcwd(nullptr, 0)) { // any length
        cwd = DecodeFileName(QByteArrayView(here));
        ::free(here);
    }
    if (paths.trimmed().isEmpty()) {
        paths = cwd;
    }

    SplitFileSpecs(szFileSpec);
    m_cancel = false;
    std::vector<std::u32string> specs;
    for (const QString& s : std::as_const(mvarSpecs)) {
        specs.push_back(wildcard::LowerCase(ToCodePoints(s)));
    }

    const QStringList pieces = paths.split(QLatin1Char(';'));
    // A relative path means nothing without a current folder (it may have
    // been removed).
    const auto absolute = [&cwd](const QString& piece) {
        if (piece.isEmpty() || (!piece.startsWith(QLatin1Char('/')) && cwd.isEmpty())) {
            return QString();
        }
        return piece.startsWith(QLatin1Char('/')) ? piece : cwd + QLatin1Char('/') + piece;
    };
    for (const QString& rawPiece : pieces) {
        // Pieces are trimmed, unless the piece as it is names a folder: a
        // mount point may end with a space.
        QString folder = absolute(rawPiece);
        if (folder.isEmpty() || !StatFile(folder).isFolder) {
            folder = absolute(rawPiece.trimmed());
        }
        if (!folder.isEmpty()) {
            // Searched where the path really leads, so that every name
            // reported is absolute, free of "." and ".." and links, and opens.
            const QByteArray bytes = EncodeFileName(folder);
            if (char* real = ::realpath(bytes.constData(), nullptr)) {
                folder = DecodeFileName(QByteArrayView(real));
                ::free(real);
            } else {
                folder = QDir::cleanPath(folder);
            }
            if (!folder.endsWith(QLatin1Char('/'))) {
                folder += QLatin1Char('/');
            }
            bool goOn = false;
            {
                FolderWalk walk(*this, alive, specs);
                goOn = walk.Run(folder);
            }
            if (!*alive) {
                return 0;
            }
            if (!goOn || m_cancel) {
                m_searching = false;
                long count = m_fileCount;
                emit FindFilesCancelled(count);
                return 0;
            }
        }
        if (m_pump) {
            m_pump();
        } else {
            QCoreApplication::processEvents();
        }
        if (!*alive) {
            return 0;
        }
    }
    m_searching = false;
    emit EndFindFiles(m_fileCount);
    if (!*alive) {
        return 0;
    }
    return m_fileCount;
}

bool clsFindFile::StrWildCompare(const QString& str1, const QString& str2, bool bCase) {
    return wildcard::StrWildCompare(ToCodePoints(str1), ToCodePoints(str2), bCase);
}

bool clsFindFile::CompareStrings(const QString& str1, const QString& str2, bool bCase) {
    return wildcard::CompareStrings(ToCodePoints(str1), ToCodePoints(str2), bCase);
}

bool clsFindFile::SkipWildChars(const QString& str1, int& iIndex1, const QString& str2,
                                int& iIndex2, bool& bContinue, bool bCase) {
    // Positions start at 1; anything before that counts as the start.
    std::size_t i1 = iIndex1 < 1 ? 0 : std::size_t(iIndex1 - 1);
    std::size_t i2 = iIndex2 < 1 ? 0 : std::size_t(iIndex2 - 1);
    const bool r =
        wildcard::SkipWildChars(ToCodePoints(str1), i1, ToCodePoints(str2), i2, bContinue, bCase);
    if (bContinue) {
        iIndex1 = int(i1 + 1);
        iIndex2 = int(i2 + 1);
    }
    return r;
}

bool clsFindFile::CompareCharacters(const QString& ch1, const QString& ch2, bool bCase) {
    if (bCase) {
        return ch1 == ch2;
    }
    return ch1.toLower() == ch2.toLower();
}

} // namespace lumadeck
