#include "FileNames.h"
#include "Utf8.h"

#include <sys/stat.h>

namespace lumadeck {

namespace {

// Length of the valid UTF-8 sequence starting at p (at most n bytes left),
// with its code point in cp; 0 when the bytes there are not valid UTF-8.
int ValidSequence(const unsigned char* p, qsizetype n, char32_t& cp) {
    const unsigned char b0 = p[0];
    int len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < len) {
        return 0;
    }
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0; // overlong, out of range or an encoded surrogate
    }
    return len;
}

} // namespace

QString DecodeFileName(QByteArrayView bytes) {
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        return QString::fromLatin1(bytes.data(), bytes.size());
    }
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        char32_t cp = 0;
        const int len = ValidSequence(p + i, n - i, cp);
        if (len == 0) {
            out.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
            continue;
        }
        if (cp < 0x10000) {
            out.append(QChar(char16_t(cp)));
        } else {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        }
        i += len;
    }
    return out;
}

QByteArray EncodeFileName(const QString& name) {
    if (name.contains(QChar(0))) {
        return {};
    }
    QByteArray out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name.at(i).unicode();
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(u, name.at(i + 1).unicode());
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.append(char(u - 0xDC00)); // an undecodable byte kept by DecodeFileName
            continue;
        } else if (QChar::isSurrogate(u)) {
            cp = 0xFFFD; // a stray surrogate that no file name can hold
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsPossibleFileName(const QString& name) {
    // Each UTF-16 unit takes at most 3 bytes: only long names are counted.
    return !name.isEmpty() && !name.contains(QChar(0)) &&
           (name.size() * 3 <= MaxFileNameBytes || EncodeFileName(name).size() <= MaxFileNameBytes);
}

FileStatus StatFile(const QString& name) {
    FileStatus status;
    if (name.isEmpty()) {
        return status;
    }
    const QByteArray bytes = EncodeFileName(name);
    if (bytes.isEmpty()) {
        return status; // a name with a NUL
    }
    struct stat st {};
    if (::stat(bytes.constData(), &st) != 0) {
        return status;
    }
    status.exists = true;
    status.isFile = S_ISREG(st.st_mode);
    status.isFolder = S_ISDIR(st.st_mode);
    status.size = status.isFile ? qint64(st.st_size) : 0;
    return status;
}

} // namespace lumadeck
