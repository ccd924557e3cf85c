// Fuzzes the playlist reader: any bytes must read without a crash, give only
// well-formed entries and a sane resume point, and read back the same after
// being written out again.
#include "playlist/M3UFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace lumadeck;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool samePosition(double a, double b) {
    if (std::fabs(a) > 1e300) {
        return true; // fifteen digits may round past the largest double
    }
    return std::fabs(a - b) <= 1e-9 + 1e-13 * std::fabs(a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const M3UFile::Contents read = M3UFile::Parse(bytes);

    check(read.lastIndex >= 0);
    check(read.lastPosition >= 0 && std::isfinite(read.lastPosition));
    for (const QString& name : read.names) {
        check(!name.isEmpty());
        check(!name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n')));
        check(name[0] != QLatin1Char(' ') && name[name.size() - 1] != QLatin1Char(' '));
        check(name[0] != QLatin1Char('#'));
        check(!name.contains(QChar(0))); // a line with a NUL names no file
    }

    // Written with and without the resume line, the list reads back the same.
    for (const bool withResume : {true, false}) {
        std::optional<M3UFile::ResumePoint> resume;
        if (withResume) {
            resume = M3UFile::ResumePoint{read.lastIndex, read.lastPosition};
        }
        const M3UFile::Contents again = M3UFile::Parse(M3UFile::Serialize(read.names, resume));
        check(again.names == read.names);
        if (withResume) {
            check(again.lastIndex == read.lastIndex);
            check(samePosition(read.lastPosition, again.lastPosition));
        } else {
            check(again.lastIndex == 0 && again.lastPosition == 0);
        }
    }

    // Bringing the resume line up to date changes nothing else a reader sees.
    for (const bool withResume : {true, false}) {
        std::optional<M3UFile::ResumePoint> resume;
        if (withResume) {
            resume = M3UFile::ResumePoint{read.lastIndex + 1, read.lastPosition};
        }
        const M3UFile::Contents updated = M3UFile::Parse(M3UFile::UpdateResumeLine(bytes, resume));
        check(updated.names == read.names);
        if (withResume) {
            check(updated.lastIndex == read.lastIndex + 1);
        } else {
            check(updated.lastIndex == 0 && updated.lastPosition == 0);
        }
    }
    return 0;
}
