#include "playlist/clsPlayList.h"

#include "platform/IDialogs.h"
#include "platform/Services.h"
#include "playlist/M3UFile.h"

#include <utility>
#include <vector>

namespace lumadeck {

namespace {

bool sameFile(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

clsPlayList::clsPlayList(QObject* parent) : QObject(parent) {
    SetbPLShown(false);
    m_cPlay = std::make_unique<clsPlayVideo>();
    connect(m_cPlay.get(), &clsPlayVideo::Done, this, &clsPlayList::cPlay_Done);
    connect(m_cPlay.get(), &clsPlayVideo::FileNotFound, this, &clsPlayList::cPlay_FileNotFound);
    connect(m_cPlay.get(), &clsPlayVideo::Paused, this, &clsPlayList::cPlay_Paused);
    connect(m_cPlay.get(), &clsPlayVideo::Started, this, &clsPlayList::cPlay_Started);
    connect(m_cPlay.get(), &clsPlayVideo::Stopped, this, &clsPlayList::cPlay_Stopped);
    connect(m_cPlay.get(), &clsPlayVideo::PositionChanged, this, &clsPlayList::PositionChanged);
    connect(m_cPlay.get(), &clsPlayVideo::StatusMessage, this, &clsPlayList::StatusMessage);
    connect(m_cPlay.get(), &clsPlayVideo::ErrorMsg, this, &clsPlayList::ErrorMsg);
}

clsPlayList::~clsPlayList() {
    // The window goes first: its unload steps may still ask this controller
    // and its player about the list.
    if (m_plShown && m_windowHost) {
        m_windowHost->Unload();
    }
    // The player's last signals (from its own destruction) reach nobody.
    m_cPlay->disconnect(this);
    m_files.Clear();
    m_cPlay.reset();
}

void clsPlayList::SetOptions(Options options) {
    m_options = std::move(options);
}

QString clsPlayList::CurrentFileName() const {
    return m_cPlay->FileName();
}

void clsPlayList::SetbPLShown(bool shown) {
    m_plShown = shown;
    if (shown) {
        emit PlaylistShown();
    } else {
        emit PlaylistHidden();
    }
}

// ------------------------------------------------------------------ window

void clsPlayList::reloadWindow() {
    if (m_reloadHeld > 0) {
        m_reloadPending = true;
        return;
    }
    if (m_plShown && m_windowHost) {
        m_windowHost->Window().Reload();
    }
}

void clsPlayList::setCurrentInWindow() {
    if (m_plShown && m_windowHost) {
        m_windowHost->Window().SetCurrent();
    }
}

void clsPlayList::ShowPlayList() {
    if (m_windowHost) {
        IPlayListWindow& window = m_windowHost->Window();
        window.ShowPlayList(*this);
        if (m_plShown) {
            window.ShowNormal();
            window.TakeFocus();
        } else if (!(m_options.ThinClient && m_options.ThinClient())) {
            window.MoveTo(0, 0);
        }
    }
    SetbPLShown(true);
    if (m_windowHost) {
        m_windowHost->Window().SetWindowVisible(true);
    }
}

// ------------------------------------------------------------------- index

QString clsPlayList::playerFile() const {
    if (!m_requestedFile.isEmpty() && m_cPlay->OpenPending()) {
        return m_requestedFile;
    }
    return m_cPlay->FileName();
}

void clsPlayList::resyncIndex() {
    const QString file = playerFile();
    const long count = m_files.Count();
    if (m_currentFileIndex >= 0 && m_currentFileIndex < count &&
        sameFile(m_files.Item(m_currentFileIndex)->szFileName(), file)) {
        return;
    }
    if (count == 0) {
        m_currentFileIndex = -1;
        return;
    }
    if (sameFile(m_files.Item(count - 1)->szFileName(), file)) {
        m_currentFileIndex = count - 1;
        return;
    }
    m_currentFileIndex = m_files.FindIgnoringCase(file);
}

// -------------------------------------------------------------- operations

void clsPlayList::Add(const QString& szFileName, bool /*bAutoOpen*/) {
    m_files.Add(szFileName);
    resyncIndex();
    if (m_currentFileIndex == -1) {
        m_requestedFile = szFileName;
        m_cPlay->OpenVideo(szFileName, 0);
        m_currentFileIndex = 0;
        emit VideoOpened(szFileName);
    }
    m_modified = true;
    reloadWindow();
    if (m_files.Count() == 1) {
        emit FirstFileAddedToPlaylist(szFileName);
    }
}

void clsPlayList::Remove(const QString& szFileName) {
    m_files.Remove(FileKey(szFileName));
    m_modified = true;
    reloadWindow();
}

void clsPlayList::Clear() {
    m_files.Clear();
    m_playListFileName.clear();
    m_currentFileIndex = 0;
    reloadWindow();
}

void clsPlayList::PlayVideo(const QString& szFileName) {
    Clear();
    Add(szFileName, true);
    PlayVideoByIndex(0, 0);
}

void clsPlayList::playOrOpen(long iIndex, double lPosition, bool play) {
    if (iIndex < 0 || iIndex >= m_files.Count()) {
        return;
    }
    m_currentFileIndex = iIndex;
    const QString name = m_files.Item(iIndex)->szFileName();
    emit VideoStart(name);
    m_cPlay->SetbAttemptResume(m_playListFileName.isEmpty() && iIndex == 0);
    m_requestedFile = name;
    if (play) {
        m_cPlay->PlayVideo(name, lPosition);
        setCurrentInWindow();
    } else {
        m_cPlay->OpenVideo(name, 0);
        setCurrentInWindow();
        emit VideoOpened(name);
    }
}

void clsPlayList::PlayVideoByIndex(long iIndex, double lPosition) {
    playOrOpen(iIndex, lPosition, true);
}

void clsPlayList::OpenVideoByIndex(long iIndex) {
    playOrOpen(iIndex, 0, false);
}

void clsPlayList::PlayPrevVideo() {
    if (m_currentFileIndex > 0 && m_currentFileIndex < m_files.Count()) {
        --m_currentFileIndex;
        PlayVideoByIndex(m_currentFileIndex, 0);
    }
}

void clsPlayList::PlayNextVideo() {
    if (m_currentFileIndex >= 0 && m_currentFileIndex < m_files.Count()) {
        ++m_currentFileIndex;
        if (m_currentFileIndex == m_files.Count()) {
            emit Done();
        } else {
            PlayVideoByIndex(m_currentFileIndex, 0);
        }
    }
}

void clsPlayList::MoveBefore(long iIndex, long iBefore) {
    move(iIndex, iBefore, true);
}

void clsPlayList::MoveAfter(long iIndex, long iAfter) {
    move(iIndex, iAfter, false);
}

void clsPlayList::move(long iIndex, long iTarget, bool before) {
    const long count = m_files.Count();
    if (iIndex < 0 || iIndex >= count || iTarget < 0 || iTarget >= count || iIndex == iTarget) {
        return;
    }
    resyncIndex();
    // Where the moved entry ends up: just before or just after the entry
    // that was at iTarget, which shifts by one when the moved entry stood
    // above it.
    long to = iTarget;
    if (before && iIndex < iTarget) {
        to = iTarget - 1;
    } else if (!before && iIndex > iTarget) {
        to = iTarget + 1;
    }
    // The current entry keeps its index unless the move shifts it.
    long current = m_currentFileIndex;
    if (current == iIndex) {
        current = to;
    } else if (iIndex < to && current > iIndex && current <= to) {
        --current;
    } else if (to < iIndex && current >= to && current < iIndex) {
        ++current;
    }
    // One rotation instead of a rebuilt list: a drag step across a long
    // list costs no allocations.
    m_files.Move(iIndex, to);
    m_currentFileIndex = current;
    m_modified = true;
}

// ------------------------------------------------------------ M3U files

bool clsPlayList::LoadPlayList(const QString& szPlayListFileName) {
    QByteArray text;
    QString error;
    const auto refuse = [&] {
        Services::dialogs().MessageBox(nullptr, QStringLiteral("Lumadeck: Error loading playlist"),
                                       QStringLiteral("Error: Cannot load playlist: ") + error,
                                       MsgIcon::Critical, MsgButtons::Ok);
        return false;
    };
    if (!M3UFile::ReadFile(szPlayListFileName, text, error)) {
        return refuse();
    }
    const M3UFile::Contents contents = M3UFile::Parse(text);
    text.clear();
    if (contents.tooManyEntries) {
        error = QStringLiteral("Too many entries (a playlist may hold at most %L1)")
                    .arg(M3UFile::MaxEntries);
        return refuse();
    }

    // The window is refilled once the whole list is in, not once per entry.
    ++m_reloadHeld;
    Clear();
    for (const QString& name : contents.names) {
        Add(name, false);
    }
    if (--m_reloadHeld == 0 && std::exchange(m_reloadPending, false)) {
        reloadWindow();
    }

    m_currentFileIndex = -1;
    m_playListFileName = szPlayListFileName;
    m_modified = false;

    const bool resume = !m_options.SaveVideoPosition || m_options.SaveVideoPosition();
    if (resume && contents.lastIndex > 0 && contents.lastIndex < m_files.Count()) {
        PlayVideoByIndex(contents.lastIndex, contents.lastPosition > 0 ? contents.lastPosition : 0);
    } else {
        PlayVideoByIndex(0, 0);
    }
    reloadWindow();
    return true;
}

void clsPlayList::entriesToWrite(QStringList& names, QStringList& leftOut,
                                 std::optional<M3UFile::ResumePoint>& resume) {
    resyncIndex();
    const long count = m_files.Count();
    const long index = m_currentFileIndex;
    bool writeResume = index >= 0 && index < count;
    if (writeResume && index == count - 1 && m_cPlay->Length() == m_cPlay->CurrentPosition()) {
        writeResume = false; // played to its very end
    }
    names.reserve(count);
    long indexInFile = -1;
    for (long i = 0; i < count; ++i) {
        const QString name = m_files.Item(i)->szFileName();
        if (!M3UFile::CanStore(name)) {
            leftOut.append(name);
            continue;
        }
        if (i == index) {
            indexInFile = names.size();
        }
        names.append(name);
    }
    // Entries left out before the current one move it up in the file; a
    // current entry that is left out itself has nothing to resume.
    if (writeResume && indexInFile >= 0) {
        resume = M3UFile::ResumePoint{indexInFile, m_cPlay->CurrentPosition()};
    }
}

bool clsPlayList::SavePlayList(const QString& szPlayListFile) {
    const long indexBefore = m_currentFileIndex;
    QStringList names, leftOut;
    std::optional<M3UFile::ResumePoint> resume;
    entriesToWrite(names, leftOut, resume);

    QString error;
    if (!M3UFile::WriteFile(szPlayListFile, M3UFile::Serialize(names, resume), error)) {
        // A failed save changes nothing, not even the current index.
        m_currentFileIndex = indexBefore;
        Services::dialogs().MessageBox(nullptr, QStringLiteral("Lumadeck: Error saving playlist"),
                                       QStringLiteral("Error: Cannot save playlist: ") + error,
                                       MsgIcon::Critical, MsgButtons::Ok);
        return false;
    }
    m_playListFileName = szPlayListFile;
    // The file does not hold the entries it could not take: the list still
    // differs from it.
    m_modified = !leftOut.isEmpty();
    reloadWindow();
    if (!leftOut.isEmpty()) {
        reportLeftOut(szPlayListFile, leftOut);
    }
    return true;
}

void clsPlayList::reportLeftOut(const QString& playListFile, const QStringList& leftOut) {
    constexpr int Shown = 20;
    QString text = QStringLiteral("Playlist ") + clsFiles::TitleOf(playListFile) +
                   QStringLiteral(" was saved without these entries, because a name with a "
                                  "line break or a NUL cannot be stored in a playlist:");
    for (int i = 0; i < leftOut.size() && i < Shown; ++i) {
        QString shown = leftOut[i];
        shown.replace(QLatin1Char('\r'), QChar(0x240D)); // the symbols for CR and LF
        shown.replace(QLatin1Char('\n'), QChar(0x240A));
        shown.replace(QChar(0), QChar(0x2400));
        text += QStringLiteral("\n") + shown;
    }
    if (leftOut.size() > Shown) {
        text += QStringLiteral("\n(and %1 more)").arg(leftOut.size() - Shown);
    }
    Services::dialogs().MessageBox(nullptr, QStringLiteral("Lumadeck: Error saving playlist"), text,
                                   MsgIcon::Warning, MsgButtons::Ok);
}

void clsPlayList::saveResumeLine() {
    QByteArray text;
    QString error;
    if (!M3UFile::ReadFile(m_playListFileName, text, error)) {
        return; // gone or unreadable: nothing to bring up to date
    }
    QStringList names, leftOut;
    std::optional<M3UFile::ResumePoint> resume;
    entriesToWrite(names, leftOut, resume);
    // Only a file that still holds exactly this list gets this list's
    // resume point.
    if (!leftOut.isEmpty() || M3UFile::Parse(text).names != names) {
        return;
    }
    const QByteArray updated = M3UFile::UpdateResumeLine(text, resume);
    if (updated == text) {
        return;
    }
    if (!M3UFile::WriteFile(m_playListFileName, updated, error)) {
        Services::dialogs().MessageBox(nullptr, QStringLiteral("Lumadeck: Error saving playlist"),
                                       QStringLiteral("Error: Cannot save playlist: ") + error,
                                       MsgIcon::Critical, MsgButtons::Ok);
    }
}

// ---------------------------------------------------------------- closing

void clsPlayList::Cleanup() {
    if (m_plShown) {
        if (m_windowHost) {
            m_windowHost->Unload();
        }
        SetbPLShown(false);
    }
    if (m_playListFileName.isEmpty()) {
        return;
    }
    if (m_modified) {
        const QString text = QStringLiteral("Playlist ") + clsFiles::TitleOf(m_playListFileName) +
                             QStringLiteral(" has been modified.\r\nWould you like to save it?");
        if (Services::dialogs().MessageBox(nullptr, QStringLiteral("Save Playlist"), text,
                                           MsgIcon::Question,
                                           MsgButtons::YesNo) == MsgAnswer::Yes) {
            SavePlayList(m_playListFileName);
        }
    } else {
        // Unedited: only the resume line is brought up to date, so that what
        // other programs wrote in the file stays as they wrote it.
        saveResumeLine();
    }
}

// ----------------------------------------------------------- player events

void clsPlayList::cPlay_Done(const QString& szFileName) {
    emit VideoDone(szFileName);
    if (m_skippedDone && *m_skippedDone == szFileName) {
        // The end of a missing file whose successor the skip loop in
        // cPlay_FileNotFound starts.
        m_skippedDone.reset();
        return;
    }
    const long index = m_currentFileIndex;
    if (index >= 0 && index < m_files.Count()) {
        if (sameFile(m_files.Item(index)->szFileName(), szFileName)) {
            PlayNextVideo();
        } else {
            // The list changed under the file that ended: play what now
            // stands at the current index, from its start.
            PlayVideoByIndex(index, 0);
        }
    }
}

void clsPlayList::cPlay_FileNotFound(const QString& szFileName) {
    // The player did not hand a missing file to its control.
    m_requestedFile.clear();
    emit FileNotFound(szFileName);
    if (m_skipping) {
        // Reported while the previous missing file is being skipped: going
        // on from here would nest one level deeper for every missing file
        // in a row, until the stack runs out. The loop below goes on instead,
        // and the Done that follows for this file is left to it.
        m_skipAgain = true;
        m_skippedDone = szFileName;
        return;
    }
    m_skipping = true;
    PlayNextVideo();
    while (std::exchange(m_skipAgain, false)) {
        PlayNextVideo();
    }
    m_skippedDone.reset();
    m_skipping = false;
}

void clsPlayList::cPlay_Paused(const QString& szFileName) {
    emit VideoPaused(szFileName);
    setCurrentInWindow();
}

void clsPlayList::cPlay_Started(const QString& szFileName) {
    emit VideoStart(szFileName);
    setCurrentInWindow();
}

void clsPlayList::cPlay_Stopped(const QString& szFileName) {
    emit VideoStopped(szFileName);
    setCurrentInWindow();
}

} // namespace lumadeck
