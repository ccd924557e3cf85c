// Runs the playlist reader's fuzz target over its seeds and a few thousand
// random mutations of them, so that every test run exercises it.
#include <QDir>
#include <QFile>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(M3UFuzzSmoke, SeedsAndMutations) {
    QList<QByteArray> seeds;
    const QDir dir(QStringLiteral(LUMADECK_SOURCE_DIR "/fuzz/corpus/playlist_m3u"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        seeds << f.readAll();
    }
    ASSERT_GE(seeds.size(), 5);
    // The target aborts on any broken rule; mutations use the bytes that
    // matter to the reader.
    static const char alphabet[] = "#Last:lAST,.-+e0123456789 \r\n\t/\xEF\xBB\xBF\xC3\xA9\xFF";
    std::mt19937 random(20261206);
    for (int i = 0; i < 4000; ++i) {
        QByteArray input = seeds[static_cast<qsizetype>(random() % seeds.size())];
        for (int edits = 1 + int(random() % 8); edits > 0; --edits) {
            const char c = alphabet[random() % (sizeof alphabet - 1)];
            const qsizetype at = input.isEmpty() ? 0 : qsizetype(random() % input.size());
            if (const auto op = random() % 3; op == 0) {
                input.insert(at, c);
            } else if (op == 1) {
                input.remove(at, 1 + qsizetype(random() % 4));
            } else if (!input.isEmpty()) {
                input[at] = c;
            }
        }
        ASSERT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                                         size_t(input.size())),
                  0);
    }
}
