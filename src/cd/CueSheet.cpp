#include "CueSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumadeck {

namespace {

// A sheet is a few lines per track; anything much larger is not one.
constexpr qsizetype kMaxSheetBytes = 64 * 1024;
constexpr int kMaxTracks = 99;

void fail(QString* error, const QString& why) {
    if (error) {
        *error = why;
    }
}

// Splits a line into words; a word in double quotes may hold blanks.
QList<QByteArray> words(QByteArrayView line) {
    QList<QByteArray> out;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        QByteArray word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                word += line[i++];
            }
            ++i; // the closing quote (or the end)
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
                word += line[i++];
            }
        }
        out.append(word);
    }
    return out;
}

// "mm:ss:ff" in sectors (75 a second); -1 when malformed.
qint64 msf(const QByteArray& text) {
    const QList<QByteArray> parts = text.split(':');
    if (parts.size() != 3) {
        return -1;
    }
    qint64 v[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].toLongLong(&ok);
        if (!ok || v[i] < 0 || parts[i].size() > 4) {
            return -1;
        }
    }
    if (v[1] >= 60 || v[2] >= 75) {
        return -1;
    }
    return (v[0] * 60 + v[1]) * 75 + v[2];
}

int sectorSizeOfMode(const QByteArray& mode) {
    const QByteArray m = mode.toUpper();
    if (m == "AUDIO" || m == "MODE1/2352" || m == "MODE2/2352" || m == "CDI/2352") {
        return 2352;
    }
    if (m == "MODE1/2048" || m == "MODE2/2048") {
        return 2048;
    }
    if (m == "MODE2/2336" || m == "CDI/2336") {
        return 2336;
    }
    if (m == "MODE2/2324") {
        return 2324;
    }
    return 0;
}

} // namespace

std::optional<CueSheet> ParseCueSheet(QByteArrayView text, QString* error) {
    if (text.size() > kMaxSheetBytes) {
        fail(error, QStringLiteral("The cue sheet is too large to be one"));
        return std::nullopt;
    }
    if (text.contains('\0')) {
        fail(error, QStringLiteral("The file is not a cue sheet"));
        return std::nullopt;
    }
    if (text.startsWith("\xEF\xBB\xBF")) {
        text = text.sliced(3);
    }
    CueSheet sheet;
    bool haveFile = false;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        const QList<QByteArray> w = words(text.sliced(start, end - start));
        start = end + 1;
        if (w.isEmpty()) {
            continue;
        }
        const QByteArray key = w[0].toUpper();
        if (key == "FILE") {
            if (haveFile) {
                fail(error, QStringLiteral("The cue sheet names more than one file"));
                return std::nullopt;
            }
            if (w.size() < 2 || w[1].isEmpty()) {
                fail(error, QStringLiteral("The cue sheet's FILE line names no file"));
                return std::nullopt;
            }
            sheet.file = QString::fromUtf8(w[1]);
            haveFile = true;
        } else if (key == "TRACK") {
            if (!haveFile) {
                fail(error, QStringLiteral("The cue sheet has a track before its FILE line"));
                return std::nullopt;
            }
            bool ok = false;
            const int number = w.size() >= 3 ? w[1].toInt(&ok) : 0;
            const int size = w.size() >= 3 ? sectorSizeOfMode(w[2]) : 0;
            if (!ok || number < 1 || number > kMaxTracks || size == 0 ||
                (!sheet.tracks.isEmpty() && number <= sheet.tracks.last().number)) {
                fail(error, QStringLiteral("The cue sheet has a track it cannot read"));
                return std::nullopt;
            }
            sheet.tracks.append({number, QString::fromLatin1(w[2].toUpper()), size, -1});
        } else if (key == "INDEX") {
            if (sheet.tracks.isEmpty() || w.size() < 3) {
                fail(error, QStringLiteral("The cue sheet has an index outside a track"));
                return std::nullopt;
            }
            bool ok = false;
            const int index = w[1].toInt(&ok);
            const qint64 at = msf(w[2]);
            if (!ok || at < 0) {
                fail(error, QStringLiteral("The cue sheet has an index it cannot read"));
                return std::nullopt;
            }
            if (index == 1) {
                CueTrack& t = sheet.tracks.last();
                if (sheet.tracks.size() > 1 &&
                    at < sheet.tracks[sheet.tracks.size() - 2].startSector) {
                    fail(error, QStringLiteral("The cue sheet's tracks are out of order"));
                    return std::nullopt;
                }
                t.startSector = at;
            }
        }
        // Everything else (FLAGS, PREGAP, TITLE, REM, ...) is left aside.
    }
    if (!haveFile) {
        fail(error, QStringLiteral("The cue sheet names no file"));
        return std::nullopt;
    }
    if (sheet.tracks.isEmpty()) {
        fail(error, QStringLiteral("The cue sheet has no tracks"));
        return std::nullopt;
    }
    for (const CueTrack& t : std::as_const(sheet.tracks)) {
        if (t.startSector < 0) {
            fail(error, QStringLiteral("A track of the cue sheet has no start"));
            return std::nullopt;
        }
    }
    return sheet;
}

QByteArray CanonicalCueSheet(const CueSheet& sheet, const QByteArray& name) {
    if (name.isEmpty()) {
        return {};
    }
    for (const char c : name) {
        if (c == '"' || quint8(c) < 0x20 || c == 0x7f) {
            return {};
        }
    }
    QByteArray out = "FILE \"" + name + "\" BINARY\n";
    for (const CueTrack& t : sheet.tracks) {
        const qint64 s = t.startSector;
        out += QString::asprintf("  TRACK %02d %s\n    INDEX 01 %02lld:%02lld:%02lld\n", t.number,
                                 t.mode.toLatin1().constData(), s / 4500, s / 75 % 60, s % 75)
                   .toLatin1();
    }
    return out;
}

bool IsDiscImageName(const QString& path) {
    return path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive);
}

QString CueSheetOfBin(const QString& binPath) {
    const QFileInfo bin(binPath);
    const QDir folder = bin.absoluteDir();
    auto names = [&](const QString& cue) {
        QFile f(cue);
        if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxSheetBytes) {
            return false;
        }
        const auto sheet = ParseCueSheet(f.readAll());
        return sheet &&
               QFileInfo(QDir(QFileInfo(cue).absolutePath()), sheet->file).absoluteFilePath() ==
                   bin.absoluteFilePath();
    };
    for (const QString& suffix : {QStringLiteral(".cue"), QStringLiteral(".CUE")}) {
        const QString same = folder.filePath(bin.completeBaseName() + suffix);
        if (QFileInfo(same).isFile() && names(same)) {
            return same;
        }
    }
    const QStringList cues = folder.entryList({QStringLiteral("*.cue"), QStringLiteral("*.CUE")},
                                              QDir::Files, QDir::Name);
    int looked = 0;
    for (const QString& name : cues) {
        if (++looked > 200) {
            break;
        }
        if (names(folder.filePath(name))) {
            return folder.filePath(name);
        }
    }
    return {};
}

} // namespace lumadeck
