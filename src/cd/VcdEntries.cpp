#include "VcdEntries.h"

#include "DiscPath.h"

#include <algorithm>

namespace lumadeck {

namespace {

constexpr int kHeaderBytes = 12;
// How far past an entry its first picture is looked for, and how far into a
// track its first one.
constexpr quint32 kEntryScanSectors = 48;

int FromBcd(unsigned char b) {
    const int hi = b >> 4;
    const int lo = b & 0x0F;
    return hi > 9 || lo > 9 ? -1 : hi * 10 + lo;
}

qint64 TimeStamp(const unsigned char* p) {
    return (qint64((p[0] >> 1) & 0x07) << 30) | (qint64(p[1]) << 22) | (qint64(p[2] >> 1) << 15) |
           (qint64(p[3]) << 7) | qint64(p[4] >> 1);
}

} // namespace

qint64 FirstVideoPts(QByteArrayView data) {
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    for (qsizetype i = 0; i + 9 < n; ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1 || (d[i + 3] & 0xF0) != 0xE0) {
            continue;
        }
        qsizetype j = i + 6;
        if (j < n && (d[j] & 0xC0) == 0x80) { // MPEG-2
            if (j + 8 <= n && (d[j + 1] & 0x80)) {
                return TimeStamp(d + j + 3);
            }
            continue;
        }
        for (int stuffing = 0; j < n && d[j] == 0xFF && stuffing < 16; ++stuffing) {
            ++j;
        }
        if (j < n && (d[j] & 0xC0) == 0x40) {
            j += 2; // buffer size
        }
        if (j + 5 <= n && ((d[j] & 0xF0) == 0x20 || (d[j] & 0xF0) == 0x30)) {
            return TimeStamp(d + j);
        }
    }
    return -1;
}

double FirstGopSeconds(QByteArrayView data) {
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    const qsizetype n = data.size();
    // Pictures a second, by the sequence header's frame rate code; the time
    // code counts them at the nominal rate.
    static const int kRates[16] = {0, 24, 24, 25, 30, 30, 50, 60, 60};
    int rate = 0;
    for (qsizetype i = 0; i + 8 <= n; ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1) {
            continue;
        }
        if (d[i + 3] == 0xB3) {
            rate = kRates[d[i + 7] & 0x0F];
        } else if (d[i + 3] == 0xB8 && rate > 0) {
            const unsigned char* t = d + i + 4;
            const int hours = (t[0] >> 2) & 0x1F;
            const int minutes = ((t[0] & 0x03) << 4) | (t[1] >> 4);
            const int seconds = ((t[1] & 0x07) << 3) | (t[2] >> 5);
            const int pictures = ((t[2] & 0x1F) << 1) | (t[3] >> 7);
            if (minutes > 59 || seconds > 59 || pictures >= rate) {
                return -1;
            }
            return hours * 3600.0 + minutes * 60.0 + seconds + double(pictures) / rate;
        }
    }
    return -1;
}

namespace {

// What the sectors from an entry on say about where it starts: the time of
// the first video packet, and the time code of the first group of pictures
// (-1 for either when none is found within the scan).
struct EntryClock {
    qint64 pts = -1;
    double gop = -1;
};

EntryClock ClockFrom(VcdDisc& disc, const DiscFile& track, quint32 sector) {
    const qint64 bps = track.BytesPerSector();
    EntryClock clock;
    QByteArray seen;
    for (quint32 k = 0; k < kEntryScanSectors && sector + k < track.sectors; ++k) {
        QByteArray chunk(bps, '\0');
        const qint64 got = disc.Read(track, qint64(sector + k) * bps, chunk.data(), bps);
        if (got <= 0) {
            break;
        }
        chunk.truncate(got);
        // A header may straddle two sectors: keep the last bytes.
        seen = seen.right(32) + chunk;
        if (clock.pts < 0) {
            clock.pts = FirstVideoPts(seen);
        }
        if (clock.gop < 0) {
            clock.gop = FirstGopSeconds(seen);
        }
        if (clock.pts >= 0 && clock.gop >= 0) {
            break;
        }
    }
    return clock;
}

} // namespace

std::optional<QList<VcdEntry>> ParseVcdEntries(QByteArrayView data, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (data.size() < kHeaderBytes ||
        (data.first(8) != "ENTRYVCD" && data.first(8) != "ENTRYSVD")) {
        return fail(QStringLiteral("no entry table"));
    }
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    const int count = (d[10] << 8) | d[11];
    if (count > kMaxVcdEntries) {
        return fail(QStringLiteral("%1 entries (at most %2)").arg(count).arg(kMaxVcdEntries));
    }
    if (data.size() < kHeaderBytes + 4 * qsizetype(count)) {
        return fail(QStringLiteral("the table ends before its %1 entries").arg(count));
    }
    QList<VcdEntry> entries;
    for (int i = 0; i < count; ++i) {
        const unsigned char* e = d + kHeaderBytes + 4 * i;
        const int track = FromBcd(e[0]);
        const int m = FromBcd(e[1]);
        const int s = FromBcd(e[2]);
        const int f = FromBcd(e[3]);
        if (track < 2 || m < 0 || s < 0 || s > 59 || f < 0 || f > 74) {
            continue;
        }
        const int address = (m * 60 + s) * 75 + f;
        if (address < 150) {
            continue; // before the first sector
        }
        entries.append({track, quint32(address - 150)});
    }
    return entries;
}

QList<VcdEntry> ReadVcdEntries(VcdDisc& disc) {
    for (const char* path : {"/VCD/ENTRIES.VCD", "/SVCD/ENTRIES.SVD"}) {
        const auto file = disc.Find(QString::fromLatin1(path));
        if (!file) {
            continue;
        }
        QByteArray data(kIsoSectorSize, '\0');
        const qint64 got = disc.Read(*file, 0, data.data(), data.size());
        if (got <= 0) {
            continue;
        }
        data.truncate(got);
        if (auto entries = ParseVcdEntries(data)) {
            return *entries;
        }
    }
    return {};
}

QList<double> VcdEntryTimes(VcdDisc& disc, const DiscFile& track, const QList<VcdEntry>& entries) {
    // An entry's sector starts the pack before its group of pictures, whose
    // first video packet may still carry the end of the group before. The
    // group's time code, counted from the track's first group, places it
    // exactly; the packet's time serves where there is no time code.
    QList<double> times;
    std::optional<EntryClock> first;
    for (const VcdEntry& entry : entries) {
        if (entry.lsn < track.lsn || entry.lsn - track.lsn >= track.sectors) {
            continue;
        }
        if (!first) {
            first = ClockFrom(disc, track, 0);
        }
        const EntryClock clock = ClockFrom(disc, track, entry.lsn - track.lsn);
        if (first->pts >= 0 && first->gop >= 0 && clock.gop >= first->gop) {
            times.append(double(first->pts) / 90000.0 + (clock.gop - first->gop));
        } else if (clock.pts >= 0) {
            times.append(double(clock.pts) / 90000.0);
        }
    }
    std::sort(times.begin(), times.end());
    // Two entries on the same picture are one chapter.
    times.erase(
        std::unique(times.begin(), times.end(), [](double a, double b) { return b - a < 0.02; }),
        times.end());
    return times;
}

QList<double> ChaptersOfFile(const QString& fileName) {
    QString direct = SplitDiscPath(fileName) ? fileName : DirectNameOfMountedTrack(fileName);
    const auto ref = SplitDiscPath(direct);
    if (!ref) {
        return {};
    }
    const auto disc = VcdDisc::Open(ref->source);
    if (!disc) {
        return {};
    }
    const auto track = disc->Find(ref->path);
    if (!track || !track->form2) {
        return {};
    }
    return VcdEntryTimes(*disc, *track, ReadVcdEntries(*disc));
}

} // namespace lumadeck
