#pragma once

#include <QString>
#include <QStringList>

namespace lumadeck {

// The program's command line: lumadeck [--help] [--version] [FILE|URI...].
// File names and file:// URIs become absolute local file names, in the
// order given; they are opened after start-up as if each had been chosen in
// the open dialog. Whatever cannot be opened is reported on standard error
// and left out: URIs of other schemes, files on another host, folders.
// Missing files are kept: the player reports them as it reports any missing
// file, and they are named on standard error. Every name after "--" is a
// file. The only option of the window system taken is "-platform NAME"
// before "--"; the program's own name is all the toolkit gets otherwise.
struct CommandLine {
    QStringList files;    // absolute local file names to open
    QStringList missing;  // those of files that do not exist (yet)
    QStringList problems; // one line each, for standard error
    QString platform;     // the window system asked for with -platform
    // --help, --version and usage errors end the program before it starts:
    // output goes to standard output (help, version) and problems to
    // standard error.
    bool exitNow = false;
    int exitCode = 0;
    QString output;

    // arguments[0] is the program's name. Relative names are taken from
    // currentFolder. Arguments come from the raw bytes of the command line
    // (Arguments below), so that any file name can be given.
    static CommandLine Parse(const QStringList& arguments, const QString& currentFolder);

    // One name or URI given to the program, as an absolute local file name;
    // "" when it is refused, with the reason in *problem.
    static QString ToLocalFile(const QString& argument, const QString& currentFolder,
                               QString* problem);

    // The command line's arguments, each decoded as file names are
    // (DecodeFileName): every byte is kept.
    static QStringList Arguments(int argc, const char* const* argv);

    // Whether the line asks only for help or the version, which need no
    // display: before the window system's own options are taken out.
    static bool AsksForInformation(const QStringList& arguments);

    // What --version prints.
    static QString VersionText();
};

} // namespace lumadeck
