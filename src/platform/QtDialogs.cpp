#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace lumadeck {

namespace {

QMessageBox::StandardButtons standardButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer answerFor(int button, MsgButtons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    default:
        // Closed with Esc or the window's close box.
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

QWidget* ownerOr(QWidget* owner) {
    return owner ? owner : QApplication::activeWindow();
}

} // namespace

MsgAnswer QtDialogs::MessageBox(QWidget* owner, const QString& title, const QString& text,
                                MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(boxIcon(icon), title, QString(), standardButtons(buttons), ownerOr(owner));
    // Messages quote file names, playlist lines and the engine's error
    // texts: shown as text, never as markup with links to follow.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    return answerFor(box.exec(), buttons);
}

QString QtDialogs::OpenFile(QWidget* owner, const FileDialogRequest& request) {
    const QStringList chosen =
        runFileDialog(owner, request, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    return chosen.isEmpty() ? QString() : chosen.constFirst(); // a name may end with a blank
}

QString QtDialogs::SaveFile(QWidget* owner, const FileDialogRequest& request) {
    const QStringList chosen =
        runFileDialog(owner, request, QFileDialog::AcceptSave, QFileDialog::AnyFile);
    return chosen.isEmpty() ? QString() : chosen.constFirst();
}

QStringList QtDialogs::OpenFiles(QWidget* owner, const FileDialogRequest& request) {
    return runFileDialog(owner, request, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
}

QStringList QtDialogs::runFileDialog(QWidget* owner, const FileDialogRequest& request,
                                     QFileDialog::AcceptMode accept,
                                     QFileDialog::FileMode mode) const {
    QFileDialog dialog(ownerOr(owner), request.title, request.initialFolder, request.filter);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (!request.defaultSuffix.isEmpty()) {
        dialog.setDefaultSuffix(request.defaultSuffix);
    }
    if (m_qtOwn) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

} // namespace lumadeck
