// What a start does on the desktop session before its windows come up: run,
// or hand its files to the instance that runs and end.
#include "desktop/IDesktopSession.h"
#include "desktop/MprisPlayer.h"
#include "desktop/Startup.h"

#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

// A session for tests: answers Publish and HandOver as told and records the
// calls.
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

} // namespace

TEST(Startup, RunsOrHandsItsFilesToTheRunningInstance) {
    using Claim = IDesktopSession::Claim;
    using Outcome = Startup::Outcome;
    struct Case {
        const char* what;
        Claim claim;
        bool takesFiles;
        QStringList files;
        Outcome outcome;
        QStringList calls;
    } cases[] = {
        {"the first start", Claim::Owner, true, {"/v/a.mpg"}, Outcome::Run, {"Publish"}},
        {"no session bus", Claim::NoSession, true, {"/v/a.mpg"}, Outcome::Run, {"Publish"}},
        {"a second start with files",
         Claim::Taken,
         true,
         {"/v/a.mpg", "/v/b.mpg"},
         Outcome::HandedOver,
         {"Publish", "HandOver /v/a.mpg,/v/b.mpg"}},
        {"a second start without files runs on its own",
         Claim::Taken,
         true,
         {},
         Outcome::Run,
         {"Publish", "PublishAsInstance"}},
        {"the running one does not answer",
         Claim::Taken,
         false,
         {"/v/a.mpg"},
         Outcome::Run,
         {"Publish", "HandOver /v/a.mpg", "PublishAsInstance"}},
    };
    for (const Case& c : cases) {
        FakeSession session;
        session.claim = c.claim;
        session.takesFiles = c.takesFiles;
        MprisPlayer player;
        EXPECT_EQ(Startup::Begin(session, player, c.files), c.outcome) << c.what;
        EXPECT_EQ(session.calls, c.calls) << c.what;
    }
}
