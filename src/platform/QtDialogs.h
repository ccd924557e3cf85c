#pragma once

#include "IDialogs.h"

#include <QFileDialog>

namespace lumadeck {

// The real dialogs: QMessageBox and QFileDialog.
class QtDialogs : public IDialogs {
public:
    MsgAnswer MessageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override;
    QString OpenFile(QWidget* owner, const FileDialogRequest& request) override;
    QString SaveFile(QWidget* owner, const FileDialogRequest& request) override;
    QStringList OpenFiles(QWidget* owner, const FileDialogRequest& request) override;

    // Use Qt's own dialog instead of the desktop's (tests and headless runs).
    void setUseQtDialogs(bool on) { m_qtOwn = on; }

private:
    QStringList runFileDialog(QWidget* owner, const FileDialogRequest& request,
                              QFileDialog::AcceptMode accept, QFileDialog::FileMode mode) const;

    bool m_qtOwn = false;
};

} // namespace lumadeck
