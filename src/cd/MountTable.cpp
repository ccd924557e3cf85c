#include "MountTable.h"

#include "FileNames.h"

#include <QDir>
#include <QFile>

namespace lumadeck {

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// Splits at runs of blanks (the table separates fields by single spaces; a
// tolerant split costs nothing).
QList<QByteArrayView> Fields(QByteArrayView line) {
    QList<QByteArrayView> out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const qsizetype start = i;
        while (i < n && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            out.append(line.sliced(start, i - start));
        }
    }
    return out;
}

bool ToInt(QByteArrayView v, int& out) {
    bool ok = false;
    const int value = v.toByteArray().toInt(&ok, 10);
    if (!ok) {
        return false;
    }
    out = value;
    return true;
}

bool ToUnsigned(QByteArrayView v, unsigned& out) {
    bool ok = false;
    const unsigned value = v.toByteArray().toUInt(&ok, 10);
    if (!ok) {
        return false;
    }
    out = value;
    return true;
}

} // namespace

QByteArray UnescapeMountField(QByteArrayView field) {
    QByteArray out;
    out.reserve(field.size());
    const qsizetype n = field.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < n && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            const int value =
                (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

std::optional<MountEntry> ParseMountInfoLine(QByteArrayView line) {
    const QList<QByteArrayView> f = Fields(line);
    // id parent major:minor root mountpoint options [optional...] - type source superoptions
    if (f.size() < 9) {
        return std::nullopt;
    }
    MountEntry e;
    if (!ToInt(f[0], e.mountId) || !ToInt(f[1], e.parentId)) {
        return std::nullopt;
    }
    const qsizetype colon = f[2].indexOf(':');
    if (colon <= 0 || !ToUnsigned(f[2].first(colon), e.major) ||
        !ToUnsigned(f[2].sliced(colon + 1), e.minor)) {
        return std::nullopt;
    }
    qsizetype dash = -1;
    for (qsizetype i = 6; i < f.size(); ++i) {
        if (f[i] == "-") {
            dash = i;
            break;
        }
    }
    if (dash < 0 || dash + 2 >= f.size()) {
        return std::nullopt;
    }
    e.root = DecodeFileName(UnescapeMountField(f[3]));
    e.mountPoint = DecodeFileName(UnescapeMountField(f[4]));
    if (!e.mountPoint.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    e.fsType = DecodeFileName(UnescapeMountField(f[dash + 1]));
    e.source = DecodeFileName(UnescapeMountField(f[dash + 2]));
    return e;
}

QList<MountEntry> ParseMountInfo(QByteArrayView text) {
    QList<MountEntry> out;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            end = n;
        }
        if (auto e = ParseMountInfoLine(text.sliced(start, end - start))) {
            out.append(std::move(*e));
        }
        start = end + 1;
    }
    return out;
}

QList<MountEntry> ReadMountTable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // /proc files report a size of 0: read until the end.
    return ParseMountInfo(file.readAll());
}

std::optional<MountEntry> MountOfPath(const QList<MountEntry>& table, const QString& absolutePath) {
    if (!absolutePath.startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    const QString path = QDir::cleanPath(absolutePath);
    const MountEntry* best = nullptr;
    qsizetype bestLen = -1;
    for (const MountEntry& e : table) {
        const QString mp = QDir::cleanPath(e.mountPoint);
        const bool holds = mp == QLatin1String("/") ||
                           (path.startsWith(mp) &&
                            (path.size() == mp.size() || path.at(mp.size()) == QLatin1Char('/')));
        if (holds && mp.size() >= bestLen) {
            best = &e;
            bestLen = mp.size();
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return *best;
}

} // namespace lumadeck
