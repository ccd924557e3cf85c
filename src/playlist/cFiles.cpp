#include "playlist/cFiles.h"

#include <algorithm>

namespace lumadeck {

FileKey::FileKey(double number) : m_name(QString::number(number, 'g', 15)) {}

cFiles::Entry cFiles::Add(const QString& szFileName) {
    auto entry = std::make_shared<clsFiles>(szFileName);
    m_entries.push_back(entry);
    return entry;
}

cFiles::Entry cFiles::Item(const FileKey& key) const {
    if (key.isPosition()) {
        if (key.position() < 0 || key.position() >= Count()) {
            return nullptr;
        }
        return m_entries[static_cast<size_t>(key.position())];
    }
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e->szFileName() == key.name(); });
    return it == m_entries.end() ? nullptr : *it;
}

void cFiles::Remove(const FileKey& key) {
    if (key.isPosition()) {
        if (key.position() >= 0 && key.position() < Count()) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(key.position()));
        }
        return;
    }
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e->szFileName().compare(key.name(), Qt::CaseInsensitive) == 0;
    });
    if (it != m_entries.end()) {
        m_entries.erase(it);
    }
}

} // namespace lumadeck
