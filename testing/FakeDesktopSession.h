#pragma once

#include "desktop/IDesktopSession.h"

#include <QStringList>

namespace lumadeck::test {

// A session that answers Publish and HandOver as told and records the calls.
struct FakeSession : IDesktopSession {
    Claim claim = Claim::Owner;
    bool takesFiles = true;
    QStringList calls;
    Claim Publish(MprisPlayer&) override {
        calls << "Publish";
        return claim;
    }
    bool HandOver(const QStringList& files) override {
        calls << "HandOver " + files.join(',');
        return takesFiles;
    }
    void PublishAsInstance() override { calls << "PublishAsInstance"; }
};

} // namespace lumadeck::test
