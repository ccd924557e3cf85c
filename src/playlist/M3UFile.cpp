#include "playlist/M3UFile.h"

#include "cd/FileNames.h"

#include <QLocale>
#include <QRandomGenerator>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumadeck::M3UFile {

namespace {

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

namespace {

// One line of playlist text: its content runs from begin to end, its line
// end (none on a last line without one) from end to next.
struct Line {
    qsizetype begin;
    qsizetype end;
    qsizetype next;
};

// Where the lines start: after a byte-order mark, if the text has one.
qsizetype textStart(QByteArrayView text) {
    return text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// The lines of the text from start on. A line ends at a carriage return, a
// carriage return and line feed, or a line feed.
template <class Visit> void forEachLine(QByteArrayView text, qsizetype start, Visit&& visit) {
    const qsizetype size = text.size();
    const char* data = text.data();
    qsizetype begin = start;
    while (begin < size) {
        qsizetype end = begin;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        qsizetype next = end;
        if (next < size) {
            ++next;
            if (data[end] == '\r' && next < size && data[next] == '\n') {
                ++next;
            }
        }
        visit(Line{begin, end, next});
        begin = next;
    }
}

QByteArrayView trimSpaceBytes(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == ' ') {
        --end;
    }
    return text.sliced(begin, end - begin);
}

bool isResumeLine(QByteArrayView trimmed) {
    return trimmed.size() >= 6 && qstrnicmp(trimmed.data(), 6, "#last:", 6) == 0;
}

QByteArray resumeLineText(const ResumePoint& resume) {
    return (QStringLiteral("#Last:") + QString::number(resume.index) + QLatin1Char(',') +
            FormatPosition(resume.position))
        .toUtf8();
}

} // namespace

Contents Parse(QByteArrayView bytes) {
    Contents contents;
    forEachLine(bytes, textStart(bytes), [&](const Line& l) {
        const QByteArrayView line = trimSpaceBytes(bytes.sliced(l.begin, l.end - l.begin));
        if (line.isEmpty()) {
            return;
        }
        if (line[0] != '#') {
            if (line.contains('\0') || line.size() > MaxFileNameBytes) {
                return; // names no file
            }
            if (contents.names.size() == MaxEntries) {
                contents.tooManyEntries = true;
                return;
            }
            contents.names.append(DecodeFileName(line));
        } else if (isResumeLine(line)) {
            ParseResumeLine(DecodeFileName(line), contents.lastIndex, contents.lastPosition);
        }
    });
    return contents;
}

bool CanStore(const QString& name) {
    return !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QChar(0));
}

QByteArray Serialize(const QStringList& names, const std::optional<ResumePoint>& resume) {
    QByteArray out;
    bool first = true;
    for (const QString& name : names) {
        if (!CanStore(name)) {
            continue;
        }
        // A first line that itself starts with a byte-order mark would lose
        // it to the reader, which skips one mark at the start of the text.
        if (first && !resume && name.startsWith(QChar(0xFEFF))) {
            out += "\xEF\xBB\xBF";
        }
        if (first && resume) {
            out += "#EXTM3U\r\n";
            out += resumeLineText(*resume);
            out += "\r\n";
        }
        first = false;
        out += EncodeFileName(name);
        out += "\r\n";
    }
    if (first && resume) {
        out += "#EXTM3U\r\n";
        out += resumeLineText(*resume);
        out += "\r\n";
    }
    return out;
}

QByteArray UpdateResumeLine(QByteArrayView text, const std::optional<ResumePoint>& resume) {
    const qsizetype start = textStart(text);
    std::vector<Line> lines;
    forEachLine(text, start, [&](const Line& l) { lines.push_back(l); });
    const auto trimmed = [&](const Line& l) {
        return trimSpaceBytes(text.sliced(l.begin, l.end - l.begin));
    };

    QByteArray out;
    out.reserve(text.size() + 64);
    if (!resume) {
        out += text.first(start);
        for (const Line& l : lines) {
            if (!isResumeLine(trimmed(l))) {
                // A line that now comes first and itself starts with a
                // byte-order mark would lose it to the reader.
                if (out.isEmpty() && text.sliced(l.begin).startsWith("\xEF\xBB\xBF")) {
                    out += "\xEF\xBB\xBF";
                }
                out += text.sliced(l.begin, l.next - l.begin);
            }
        }
        return out;
    }

    const QByteArray resumeLine = resumeLineText(*resume);
    for (auto l = lines.rbegin(); l != lines.rend(); ++l) {
        if (isResumeLine(trimmed(*l))) {
            out += text.first(l->begin);
            out += resumeLine;
            out += text.sliced(l->end);
            return out;
        }
    }
    // Added lines end as the text's lines do.
    QByteArrayView eol("\r\n");
    for (const Line& l : lines) {
        if (l.next > l.end) {
            eol = text.sliced(l.end, l.next - l.end);
            break;
        }
    }
    if (!lines.empty() && trimmed(lines.front()).compare("#EXTM3U", Qt::CaseInsensitive) == 0) {
        const Line& header = lines.front();
        out += text.first(header.next);
        if (header.next == header.end) {
            out += eol; // the header was the whole text
        }
        out += resumeLine;
        out += eol;
        out += text.sliced(header.next);
        return out;
    }
    out += text.first(start);
    out += "#EXTM3U";
    out += eol;
    out += resumeLine;
    out += eol;
    out += text.sliced(start);
    return out;
}

bool ReadFile(const QString& path, QByteArray& contents, QString& error) {
    const QByteArray native = EncodeFileName(path);
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
    const QString tooLarge = QStringLiteral("File too large (a playlist may hold at most 64 MiB)");
    if (st.st_size > MaxFileSize) {
        ::close(fd);
        error = tooLarge;
        return false;
    }
    QByteArray data;
    data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            if (data.size() + n > MaxFileSize) {
                // It grew while being read.
                ::close(fd);
                error = tooLarge;
                return false;
            }
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

namespace {

bool writeAll(int fd, const QByteArray& contents) {
    const char* p = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Writes over an existing file: its owner, group and mode stay as they are.
bool writeInPlace(const QByteArray& native, const QByteArray& contents, QString& error) {
    const int fd = ::open(native.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemError(errno);
        return false;
    }
    if (!writeAll(fd, contents) || ::ftruncate(fd, contents.size()) != 0 || ::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        error = systemError(e);
        return false;
    }
    if (::close(fd) != 0) {
        error = systemError(errno);
        return false;
    }
    return true;
}

QByteArray temporaryNameBeside(const QByteArray& target) {
    return target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
}

// A new file in the folder of target, opened for writing, with mode 0666
// less the umask; -1 (errno set) when the folder does not allow it. Where
// the system allows it the file has no name until it is linked in, so that
// nothing is left behind when the program dies before that; otherwise its
// name is in temporary.
int createBeside(const QByteArray& target, QByteArray& temporary) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : target.left(slash);
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 || errno == EACCES || errno == EPERM || errno == ENOENT || errno == EROFS) {
        temporary.clear();
        return fd;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryNameBeside(target);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Gives the unnamed file a temporary name beside target.
bool linkBeside(int fd, const QByteArray& target, QByteArray& temporary) {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryNameBeside(target);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    temporary.clear();
    return false;
}

} // namespace

bool WriteFile(const QString& path, const QByteArray& contents, QString& error) {
    QByteArray native = EncodeFileName(path);
    if (native.isEmpty()) {
        error = systemError(ENOENT);
        return false;
    }
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) {
            error = systemError(EISDIR);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            error = systemError(EINVAL);
            return false;
        }
        // A file the user may not write is not replaced behind their back.
        if (::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0) {
            error = systemError(errno);
            return false;
        }
        // A link stays a link: what it points to is replaced.
        if (char* real = ::realpath(native.constData(), nullptr)) {
            native = real;
            std::free(real);
        }
        // Replaced, another user's file would become the user's own.
        if (st.st_uid != ::geteuid()) {
            return writeInPlace(native, contents, error);
        }
    }

    QByteArray temporary;
    const int fd = createBeside(native, temporary);
    if (fd < 0) {
        const int e = errno;
        if (exists && (e == EACCES || e == EPERM)) {
            // The folder does not let the user create files, but the file
            // itself may be written.
            return writeInPlace(native, contents, error);
        }
        error = systemError(e);
        return false;
    }
    const auto abandon = [&](int e) {
        ::close(fd);
        if (!temporary.isEmpty()) {
            ::unlink(temporary.constData());
        }
        error = systemError(e);
        return false;
    };
    if (!writeAll(fd, contents) || ::fsync(fd) != 0) {
        return abandon(errno);
    }
    if (exists) {
        // The replacement keeps the old file's group (where the user may
        // give it) and mode.
        if (st.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, uid_t(-1), st.st_gid);
        }
        if (::fchmod(fd, st.st_mode & 07777) != 0) {
            return abandon(errno);
        }
    }
    if (temporary.isEmpty() && !linkBeside(fd, native, temporary)) {
        return abandon(errno);
    }
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(temporary.constData());
        error = systemError(e);
        return false;
    }
    if (::rename(temporary.constData(), native.constData()) != 0) {
        const int e = errno;
        ::unlink(temporary.constData());
        error = systemError(e);
        return false;
    }
    return true;
}

} // namespace lumadeck::M3UFile
