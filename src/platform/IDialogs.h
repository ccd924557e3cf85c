#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lumadeck {

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// What a file dialog is asked to show. The filter is in Qt's form
// ("Video Files (*.mpg *.dat);;All Files (*)").
struct FileDialogRequest {
    QString title;
    QString filter;
    QString initialFolder; // "" lets the dialog pick its own default folder
    QString defaultSuffix; // without the dot; "" for none
};

// Message boxes and the open and save dialogs. Every window shows them
// through this service so that tests can answer them and see what was asked.
class IDialogs {
public:
    virtual ~IDialogs() = default;

    // Shows a modal message box and returns the button the user chose.
    virtual MsgAnswer MessageBox(QWidget* owner, const QString& title, const QString& text,
                                 MsgIcon icon, MsgButtons buttons) = 0;

    // The chosen file's full path, or "" when the user cancelled. The open
    // dialog only accepts existing files; the save dialog asks before an
    // existing file is overwritten.
    virtual QString OpenFile(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual QString SaveFile(QWidget* owner, const FileDialogRequest& request) = 0;
    // An open dialog where several existing files may be chosen: their full
    // paths, none when the user cancelled. A service that offers no such
    // dialog gives the one file of OpenFile.
    virtual QStringList OpenFiles(QWidget* owner, const FileDialogRequest& request) {
        const QString one = OpenFile(owner, request);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
};

} // namespace lumadeck
