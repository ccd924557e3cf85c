// The Video CD entry table reader and the packet-time scanner on arbitrary
// bytes: no crash, no read out of range, and what comes out keeps its
// promises (at most 500 entries, each naming an MPEG track and a sector).
#include "cd/VcdEntries.h"

#include <cstdint>
#include <cstdlib>

using namespace lumadeck;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) {
        return 0;
    }
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto entries = ParseVcdEntries(bytes)) {
        if (entries->size() > kMaxVcdEntries) {
            std::abort();
        }
        for (const VcdEntry& e : *entries) {
            if (e.track < 2 || e.track > 99 || e.lsn >= 100 * 60 * 75) {
                std::abort();
            }
        }
    }
    const qint64 pts = FirstVideoPts(bytes);
    if (pts < -1 || pts >= (qint64(1) << 33)) {
        std::abort();
    }
    const double gop = FirstGopSeconds(bytes);
    if (gop != -1 && !(gop >= 0 && gop < 32 * 3600)) {
        std::abort();
    }
    return 0;
}
