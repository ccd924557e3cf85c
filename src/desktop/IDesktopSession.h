#pragma once

#include <QStringList>

namespace lumadeck {

class MprisPlayer;

// The program's presence in the desktop session: its media controls on the
// session bus under the name org.mpris.MediaPlayer2.lumadeck, which also
// marks the one instance that files are handed to.
class IDesktopSession {
public:
    virtual ~IDesktopSession() = default;

    enum class Claim {
        Owner = 0,     // this start holds the name
        Taken = 1,     // another instance holds it
        NoSession = 2, // no session bus: every start is on its own
    };

    // Publishes the player's controls and takes the program's name.
    virtual Claim Publish(MprisPlayer& player) = 0;
    // Hands files to the instance that holds the name; true when it took
    // them.
    virtual bool HandOver(const QStringList& fileNames) = 0;
    // After Taken, for a start that runs on its own beside the first one:
    // its controls go under a name of their own (…lumadeck.instance<pid>).
    virtual void PublishAsInstance() = 0;
};

} // namespace lumadeck
