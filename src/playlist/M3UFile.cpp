#include "playlist/M3UFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumadeck::M3UFile {

namespace {

std::function<int(const QString&)>& beforeReplaceHook() {
    static std::function<int(const QString&)> hook;
    return hook;
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Leading and trailing spaces only: tabs and other blanks belong to the text.
QStringView trimSpaces(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && text[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

std::optional<long> parseIndex(QStringView text) {
    const std::optional<double> number = ParseNumber(text);
    if (!number) {
        return std::nullopt;
    }
    // A fraction rounds to the nearest whole number, halves to even.
    const double rounded = std::nearbyint(*number);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) {
        return std::nullopt;
    }
    return static_cast<long>(rounded);
}

} // namespace

std::optional<double> ParseNumber(QStringView text) {
    text = trimSpaces(text);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = c.toDouble(text, &ok);
    if (!ok && text.count(QLatin1Char(',')) == 1 && !text.contains(QLatin1Char('.'))) {
        // Written on a machine whose decimal separator is a comma.
        QString withPoint = text.toString();
        withPoint.replace(QLatin1Char(','), QLatin1Char('.'));
        value = c.toDouble(withPoint, &ok);
    }
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString FormatPosition(double seconds) {
    if (!std::isfinite(seconds) || seconds == 0) {
        return QStringLiteral("0");
    }
    return QString::number(seconds, 'g', 15);
}

bool ParseResumeLine(QStringView line, long& index, double& position) {
    if (line.size() < 6 || line.first(6).compare(u"#last:", Qt::CaseInsensitive) != 0) {
        return false;
    }
    const QStringView rest = trimSpaces(line.sliced(6));
    const qsizetype comma = rest.indexOf(QLatin1Char(','));
    if (comma < 0) {
        return true;
    }
    if (const std::optional<double> p = ParseNumber(rest.sliced(comma + 1))) {
        position = *p < 0 ? 0 : *p;
    }
    if (const std::optional<long> i = parseIndex(rest.first(comma))) {
        index = *i < 0 ? 0 : *i;
    }
    return true;
}

Contents Parse(QByteArrayView bytes) {
    // The decoder skips one byte-order mark at the start of the text.
    const QString text = QString::fromUtf8(bytes);
    const QStringView all(text);
    Contents contents;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype cr = all.indexOf(QLatin1Char('\r'), start);
        qsizetype next;
        if (cr < 0) {
            cr = all.size();
            next = cr;
        } else {
            next = cr + 1;
            if (next < all.size() && all[next] == QLatin1Char('\n')) {
                ++next;
            }
        }
        const QStringView line = trimSpaces(all.sliced(start, cr - start));
        start = next;
        if (line.isEmpty()) {
            continue;
        }
        if (line[0] != QLatin1Char('#')) {
            contents.names.append(line.toString());
            continue;
        }
        ParseResumeLine(line, contents.lastIndex, contents.lastPosition);
    }
    return contents;
}

QByteArray Serialize(const QStringList& names, const std::optional<ResumePoint>& resume) {
    QByteArray out;
    const auto writeLine = [&out](const QString& line) {
        out += line.toUtf8();
        out += "\r\n";
    };
    // A first name that itself starts with a byte-order mark would lose it to
    // the reader, which skips one mark at the start of the text.
    const QString& first = resume ? QString() : (names.isEmpty() ? QString() : names.first());
    if (first.startsWith(QChar(0xFEFF))) {
        out += "\xEF\xBB\xBF";
    }
    if (resume) {
        writeLine(QStringLiteral("#EXTM3U"));
        writeLine(QStringLiteral("#Last:") + QString::number(resume->index) + QLatin1Char(',') +
                  FormatPosition(resume->position));
    }
    for (const QString& name : names) {
        writeLine(name);
    }
    return out;
}

bool ReadFile(const QString& path, QByteArray& contents, QString& error) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty()) {
        error = systemError(ENOENT);
        return false;
    }
    // Non-blocking, so that a named pipe without a writer cannot hang the
    // program; anything but a regular file is refused below.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = systemError(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        error = systemError(e);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        error = systemError(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return false;
    }
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            // A playlist read only in part is not loaded: saved again later,
            // it would replace the whole file with its first part.
            const int e = errno;
            ::close(fd);
            error = systemError(e);
            return false;
        }
    }
    ::close(fd);
    contents = std::move(data);
    return true;
}

bool WriteFile(const QString& path, const QByteArray& contents, QString& error) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty()) {
        error = systemError(ENOENT);
        return false;
    }
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = systemError(EISDIR);
            return false;
        }
        // A file the user may not write is not replaced behind their back.
        if (::access(native.constData(), W_OK) != 0) {
            error = systemError(errno);
            return false;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.write(contents) != contents.size() || !file.flush()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (const auto& hook = beforeReplaceHook()) {
        if (const int e = hook(path)) {
            error = systemError(e);
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

void SetBeforeReplaceHook(std::function<int(const QString&)> hook) {
    beforeReplaceHook() = std::move(hook);
}

} // namespace lumadeck::M3UFile
