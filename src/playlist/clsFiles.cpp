#include "playlist/clsFiles.h"

namespace lumadeck {

void clsFiles::setSzFileName(const QString& fileName) {
    m_fileName = fileName;
    m_fileTitle = TitleOf(fileName);
}

QString clsFiles::TitleOf(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? fileName : fileName.mid(slash + 1);
}

} // namespace lumadeck
