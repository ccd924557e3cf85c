#include "desktop/CommandLine.h"

#include "platform/FileNames.h"
#include "platform/VersionInfo.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace lumadeck {

namespace {

// A URI starts with its scheme: a letter, then letters, digits, "+", "-"
// or ".", then ":". A single letter is not taken for one.
QString schemeOf(const QString& argument) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
    // The expression matches nothing in text with a lone surrogate (a byte
    // of a name that is not UTF-8); a scheme is ASCII anyway.
    QString probe = argument.left(256);
    for (QChar& c : probe) {
        if (c.isSurrogate()) {
            c = QLatin1Char('?');
        }
    }
    const QRegularExpressionMatch match = scheme.match(probe);
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

} // namespace

QString CommandLine::VersionText() {
    return QStringLiteral("%1 %2.%3\n")
               .arg(QString::fromLatin1(VersionInfo::ProductName))
               .arg(VersionInfo::Major)
               .arg(VersionInfo::Minor) +
           QStringLiteral("Licence GPL-3.0-or-later: GNU General Public License, version 3 or "
                          "later <https://www.gnu.org/licenses/gpl-3.0.html>\n");
}

QString CommandLine::ToLocalFile(const QString& argument, const QString& currentFolder,
                                 QString* problem) {
    auto refuse = [problem](const QString& why) {
        if (problem) {
            *problem = why;
        }
        return QString();
    };
    if (argument.isEmpty()) {
        return refuse(QStringLiteral("an empty file name was given"));
    }
    // A NUL would end the name early where the system reads it: another
    // file would be opened, read and perhaps written in its place.
    const auto unusable = [&](const QString& name) -> QString {
        if (name.contains(QChar(0))) {
            return refuse(QStringLiteral("a file name cannot hold a NUL character: ") +
                          QString(argument).replace(QChar(0), QStringLiteral("\\0")));
        }
        return refuse(QStringLiteral("a file name longer than %1 bytes cannot be opened")
                          .arg(MaxFileNameBytes));
    };
    if (!IsPossibleFileName(argument)) {
        return unusable(argument);
    }
    const QDir folder(currentFolder);
    QString path;
    const QString scheme = schemeOf(argument);
    // A file that exists is taken as a file even when its name looks like a
    // URI ("notes:1.mpg" in the current folder).
    if (scheme.isEmpty() || StatFile(folder.absoluteFilePath(argument)).exists) {
        path = folder.absoluteFilePath(argument);
    } else if (scheme == QStringLiteral("file")) {
        const QUrl url(argument);
        if (!url.isValid()) {
            return refuse(QStringLiteral("not a valid file URI: ") + argument);
        }
        const QString host = url.host();
        if (!host.isEmpty() &&
            host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0) {
            return refuse(QStringLiteral("a file on another computer cannot be opened: ") +
                          argument);
        }
        QUrl local = url;
        local.setHost(QString());
        path = local.toLocalFile();
        if (path.isEmpty() || !QDir::isAbsolutePath(path)) {
            return refuse(QStringLiteral("not a valid file URI: ") + argument);
        }
    } else {
        return refuse(QStringLiteral("only files can be opened, not \"%1:\" addresses: %2")
                          .arg(scheme, argument));
    }
    path = QDir::cleanPath(path);
    if (!IsPossibleFileName(path)) {
        return unusable(path);
    }
    if (StatFile(path).isFolder) {
        return refuse(QStringLiteral("a folder cannot be opened: ") + path);
    }
    return path;
}

QStringList CommandLine::Arguments(int argc, const char* const* argv) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) {
        arguments.append(DecodeFileName(QByteArrayView(argv[i])));
    }
    return arguments;
}

bool CommandLine::AsksForInformation(const QStringList& arguments) {
    static const QStringList information = {QStringLiteral("-h"), QStringLiteral("--help"),
                                            QStringLiteral("-v"), QStringLiteral("--version")};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--")) {
            return false;
        }
        if (information.contains(arguments[i])) {
            return true;
        }
    }
    return false;
}

CommandLine CommandLine::Parse(const QStringList& arguments, const QString& currentFolder) {
    CommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays media files and Video CDs, and keeps playlists.\n"
                       "Files and file:// URIs named here are opened after start-up, one after "
                       "the other,\nas if chosen in the open dialog: a playlist (.m3u) loads, "
                       "media files join the\nlist and the first of them plays."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const QCommandLineOption platform(
        QStringLiteral("platform"),
        QStringLiteral("The window system's platform plugin to use (xcb, wayland, ...)."),
        QStringLiteral("name"));
    // "-platform" is one option, not the letters p, l, a, ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(platform);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Media files, playlists or file:// URIs to open."),
                                 QStringLiteral("[FILE|URI...]"));

    const bool parsed = parser.parse(arguments);
    // Help and version win over any mistake elsewhere on the line.
    if (parser.isSet(help)) {
        result.exitNow = true;
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.exitNow = true;
        result.output = VersionText();
        return result;
    }
    if (!parsed) {
        result.exitNow = true;
        result.exitCode = 2;
        result.problems.append(parser.errorText());
        result.problems.append(QStringLiteral("Try \"lumadeck --help\"."));
        return result;
    }
    result.platform = parser.value(platform);
    const QStringList names = parser.positionalArguments();
    result.files.reserve(names.size());
    for (const QString& name : names) {
        QString problem;
        const QString path = ToLocalFile(name, currentFolder, &problem);
        if (path.isEmpty()) {
            result.problems.append(problem);
        } else {
            result.files.append(path);
            if (!StatFile(path).exists) {
                result.missing.append(path);
            }
        }
    }
    return result;
}

} // namespace lumadeck
