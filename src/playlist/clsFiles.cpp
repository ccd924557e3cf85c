#include "playlist/clsFiles.h"

#include <atomic>

namespace lumadeck {

namespace {
std::atomic<unsigned long> renames{0};
}

unsigned long clsFiles::Renames() {
    return renames.load(std::memory_order_relaxed);
}

void clsFiles::setSzFileName(const QString& fileName) {
    renames.fetch_add(1, std::memory_order_relaxed);
    m_fileName = fileName;
    m_fileTitle = TitleOf(fileName);
}

QString clsFiles::TitleOf(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? fileName : fileName.mid(slash + 1);
}

} // namespace lumadeck
