#include "player/PlayerTexts.h"

#include <cmath>

namespace lumadeck {

namespace {

// At least two digits: 5 -> "05", 123 -> "123", -3 -> "-03".
QString twoDigits(long long n) {
    if (n < 0) {
        return QStringLiteral("-") + twoDigits(-n);
    }
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString ConvertSeconds(double x) {
    if (!std::isfinite(x)) {
        return QStringLiteral("0:00");
    }
    if (x <= 59) {
        return QStringLiteral("0:") + twoDigits(std::llround(x)); // halves away from zero
    }
    // Clamp before converting: a corrupt duration must not overflow.
    const double clamped = std::min(x, 1e15);
    const long long s = static_cast<long long>(std::nearbyint(clamped)); // halves to even
    if (s < 3600) {
        return QString::number(s / 60) + QLatin1Char(':') + twoDigits(s % 60);
    }
    return QString::number(s / 3600) + QLatin1Char(':') + twoDigits((s / 60) % 60) +
           QLatin1Char(':') + twoDigits(s % 60);
}

QString ComposeErrorMessage(const QString& fileName, long errorCode,
                            const QString& errorDescription) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("There was an error playing the file: ") + fileName + crlf +
                   QStringLiteral("MS Media Player reported the following error: ") + crlf +
                   QStringLiteral("    Error Code: ") + QString::number(errorCode) + crlf +
                   QStringLiteral("    Error Desc: ") + errorDescription + QLatin1Char('.');
    const QString lower = errorDescription.toLower();
    if (lower.contains(QLatin1String("format"))) {
        text +=
            crlf + crlf +
            QStringLiteral("Either the file may be corrupt or it may not be a valid media file.") +
            crlf +
            QStringLiteral("This might happen with .DAT files which may not be really VCD files.");
    } else if (lower.contains(QLatin1String("codec"))) {
        text += crlf +
                QStringLiteral(
                    "You probably do not have the required Codecs installed to play this file.") +
                crlf +
                QStringLiteral("Please note that some video formats such as DivX Avi's or .VOBs "
                               "need special codecs.") +
                crlf + QStringLiteral("You can download DivX codecs at : ") +
                QLatin1String(kCodecDownloadUrl) + QLatin1Char('.') + crlf +
                QStringLiteral("This link has a list of tools you might find useful: ") +
                QLatin1String(kVideoToolsUrl);
    }
    text +=
        crlf + crlf +
        QStringLiteral("If you are having problems playing VCD's, you might find some help at ") +
        QLatin1String(kVideoCdHelpUrl);
    return text;
}

QString ErrorMsgText(long errorCode, const QString& errorDescription) {
    return errorDescription + QStringLiteral(". Error Code: ") + QString::number(errorCode);
}

} // namespace lumadeck
