#pragma once

#include "VcdDisc.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace lumadeck {

// Opens a disc or disc image and lists its files (VcdDisc::Open and Files)
// on a thread of its own, so that a drive that takes its time or an image
// that is large or hostile never holds up the window. The thread that
// starts the scan waits for it in Wait(), which keeps that thread's events
// running.
class DiscScan {
public:
    explicit DiscScan(const QString& source);
    // Stops the scan. A thread still stuck opening a drive is left to end
    // on its own.
    ~DiscScan();
    DiscScan(const DiscScan&) = delete;
    DiscScan& operator=(const DiscScan&) = delete;

    // The walk ends at its next step; a cancelled scan has no result.
    void Cancel();
    bool IsDone() const;

    // Runs the calling thread's events until the scan is done. A stop
    // function, asked before each turn, that returns true cancels the scan,
    // and Wait returns at once.
    void Wait(const std::function<bool()>& stop = {});

    // Once done, unless cancelled: whether the disc could be read (with the
    // reason when not) and what it holds.
    bool Opened() const;
    QString Error() const;
    QList<DiscFile> Files() const;

private:
    bool HasResult() const;
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace lumadeck
