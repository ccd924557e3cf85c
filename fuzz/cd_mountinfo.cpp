// The mount table parser, the volume label readers and the file name codec
// on arbitrary bytes: no crash, no read out of range, and what comes out
// keeps its promises.
#include "cd/FileNames.h"
#include "cd/MountTable.h"
#include "cd/VolumeLabel.h"

#include <cstdint>
#include <cstdlib>

using namespace lumadeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) {
        return 0;
    }
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QList<MountEntry> table = ParseMountInfo(bytes);
    for (const MountEntry& e : table) {
        if (!e.mountPoint.startsWith(QLatin1Char('/'))) {
            std::abort();
        }
        // Every mount point holds itself.
        const auto m = MountOfPath(table, e.mountPoint);
        if (!m) {
            std::abort();
        }
    }
    if (!table.isEmpty()) {
        MountOfPath(table, DecodeFileName(bytes.first(std::min<qsizetype>(bytes.size(), 300))));
    }

    if (UnescapeMountField(bytes).size() > bytes.size()) {
        std::abort();
    }
    // A name with a NUL encodes to nothing; every other comes back whole.
    if (EncodeFileName(DecodeFileName(bytes)) !=
        (bytes.contains('\0') ? QByteArray() : bytes.toByteArray())) {
        std::abort();
    }
    DecodeUdevEscapes(bytes);
    if (bytes.size() >= 16) {
        // A volume descriptor at the place where it would be.
        QByteArray image(32768, '\0');
        image.append(bytes.data(), bytes.size());
        IsoLabelFromImage(image);
    }
    return 0;
}
