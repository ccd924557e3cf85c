#include "playlist/cFiles.h"

#include <algorithm>

namespace lumadeck {

FileKey::FileKey(double number) : m_name(QString::number(number, 'g', 15)) {}

cFiles::Entry cFiles::Add(const QString& szFileName) {
    auto entry = std::make_shared<clsFiles>(szFileName);
    m_entries.push_back(entry);
    if (m_lookupValid) {
        remember(szFileName, Count() - 1);
    }
    return entry;
}

void cFiles::remember(const QString& name, long position) const {
    const QString key = name.toCaseFolded();
    if (!m_firstByName.contains(key)) {
        m_firstByName.insert(key, position);
    }
}

void cFiles::Clear() {
    m_entries.clear();
    m_firstByName.clear();
    m_lookupValid = false;
}

void cFiles::Move(long from, long to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) {
        return;
    }
    const auto first = m_entries.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    m_lookupValid = false;
}

long cFiles::FindIgnoringCase(const QString& name) const {
    if (!m_lookupValid || m_lookupRenames != clsFiles::Renames()) {
        m_lookupRenames = clsFiles::Renames();
        m_firstByName.clear();
        m_firstByName.reserve(static_cast<qsizetype>(m_entries.size()));
        for (size_t i = 0; i < m_entries.size(); ++i) {
            remember(m_entries[i]->szFileName(), static_cast<long>(i));
        }
        m_lookupValid = true;
    }
    return m_firstByName.value(name.toCaseFolded(), -1);
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
            m_lookupValid = false;
        }
        return;
    }
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e->szFileName().compare(key.name(), Qt::CaseInsensitive) == 0;
    });
    if (it != m_entries.end()) {
        m_entries.erase(it);
        m_lookupValid = false;
    }
}

} // namespace lumadeck
