#pragma once

#include "platform/IDialogs.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>
#include <utility>

namespace lumadeck::test {

// A dialog service for tests: every message box and file dialog is recorded,
// and answered from queues filled in advance. With an empty queue a message
// box answers with its first button (Ok or Yes or Retry or Abort), and a file
// dialog is cancelled.
class RecordingDialogs : public IDialogs {
public:
    struct Box {
        QString title;
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    struct FileDialog {
        bool save;
        FileDialogRequest request;
    };

    MsgAnswer MessageBox(QWidget*, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        boxes.append({title, text, icon, buttons});
        if (whileShown) {
            whileShown(boxes.last());
        }
        if (!answers.empty()) {
            return take(answers);
        }
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Yes;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Retry;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
        default:
            return MsgAnswer::Ok;
        }
    }
    QString OpenFile(QWidget*, const FileDialogRequest& request) override {
        fileDialogs.append({false, request});
        return files.empty() ? QString() : take(files);
    }
    QString SaveFile(QWidget*, const FileDialogRequest& request) override {
        fileDialogs.append({true, request});
        return files.empty() ? QString() : take(files);
    }

    // Runs while a box is up, before it is answered: a real box runs an
    // event loop of its own meanwhile.
    std::function<void(const Box&)> whileShown;
    std::deque<MsgAnswer> answers;
    std::deque<QString> files;
    QList<Box> boxes;
    QList<FileDialog> fileDialogs;

private:
    template <typename T> static T take(std::deque<T>& queue) {
        T first = std::move(queue.front());
        queue.pop_front();
        return first;
    }
};

} // namespace lumadeck::test
