#pragma once

#include "app/Forms.h"
#include "app/frmLumadeck.h"
#include "testing/RecordingDialogs.h"

namespace lumadeck::test {

// Message boxes that note whether the main window was shown when each came.
class WitnessDialogs : public RecordingDialogs {
public:
    MsgAnswer MessageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        frmLumadeck* w = Forms::Lumadeck.ifLoaded();
        windowShown << (w && w->isVisible());
        return RecordingDialogs::MessageBox(owner, title, text, icon, buttons);
    }
    QList<bool> windowShown;
};

} // namespace lumadeck::test
