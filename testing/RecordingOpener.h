#pragma once

#include "platform/IDocumentOpener.h"

#include <QList>
#include <QPair>

namespace lumadeck::test {

// A document opener for tests: records what it was asked to open and
// answers with a result given in advance.
class RecordingOpener : public IDocumentOpener {
public:
    int Open(const QString& path, const QString& workingFolder) override {
        requests.append({path, workingFolder});
        return result;
    }
    int result = Opened;
    QList<QPair<QString, QString>> requests; // (path, working folder)
};

} // namespace lumadeck::test
