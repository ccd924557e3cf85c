// Runs the playlist reader's fuzz target over its seeds and over a few
// thousand random mutations of them, so that every test run exercises it.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int run(const QByteArray& input) {
    return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                                  static_cast<size_t>(input.size()));
}

QList<QByteArray> seeds() {
    QList<QByteArray> out;
    const QDir dir(QStringLiteral(LUMADECK_SOURCE_DIR "/fuzz/corpus/playlist_m3u"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            out << f.readAll();
        }
    }
    return out;
}

} // namespace

TEST(M3UFuzzSmoke, SeedsAndMutations) {
    const QList<QByteArray> corpus = seeds();
    ASSERT_GE(corpus.size(), 5);
    for (const QByteArray& seed : corpus) {
        EXPECT_EQ(run(seed), 0);
    }

    // Mutations drawn from the bytes that matter to the reader.
    static const char alphabet[] = "#Last:lAST,.-+e0123456789 \r\n\t/\xEF\xBB\xBF\xC3\xA9\xFF";
    std::mt19937 random(20261206);
    for (int i = 0; i < 4000; ++i) {
        QByteArray input = corpus[static_cast<qsizetype>(random() % corpus.size())];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const char c = alphabet[random() % (sizeof alphabet - 1)];
            const qsizetype at =
                input.isEmpty() ? 0 : static_cast<qsizetype>(random() % input.size());
            switch (random() % 3) {
            case 0:
                input.insert(at, c);
                break;
            case 1:
                if (!input.isEmpty()) {
                    input[at] = c;
                }
                break;
            default:
                input.remove(at, 1 + static_cast<qsizetype>(random() % 4));
                break;
            }
        }
        ASSERT_EQ(run(input), 0);
    }
}
