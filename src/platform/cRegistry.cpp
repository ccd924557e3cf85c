#include "cRegistry.h"

#include "RegistryDatabase.h"

#include <QByteArray>
#include <QLocale>
#include <QStandardPaths>
#include <QtEndian>
#include <limits>
#include <optional>

namespace lumadeck {

namespace {

QString& defaultFileOverride() {
    static QString file;
    return file;
}

qint64 rootId(long classKey) {
    // The handles also arrive as the negative 32-bit numbers they once were.
    switch (long(quint32(classKey))) {
    case HKEY_CLASSES_ROOT:
        return RegistryDatabase::ClassesRoot;
    case HKEY_CURRENT_USER:
        return RegistryDatabase::CurrentUser;
    case HKEY_LOCAL_MACHINE:
        return RegistryDatabase::LocalMachine;
    default:
        return 0;
    }
}

// The key names of a section path, or nothing when the path names no key.
std::optional<QStringList> splitSection(const QString& section) {
    QString path = section;
    if (path.endsWith(QLatin1Char('\\'))) {
        path.chop(1);
    }
    if (path.isEmpty()) {
        return QStringList();
    }
    if (path.contains(QChar(0))) {
        return std::nullopt;
    }
    const QStringList parts = path.split(QLatin1Char('\\'));
    for (const QString& part : parts) {
        if (part.isEmpty()) {
            return std::nullopt;
        }
    }
    return parts;
}

// The text a value is written as; nothing for values that have none.
std::optional<QString> textOf(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Float:
        return QString::number(double(v.toFloat()), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    case QMetaType::QString:
        return v.toString();
    default:
        if (v.canConvert<QString>()) {
            return v.toString();
        }
        return std::nullopt;
    }
}

// A whole number that fits in 32 bits; nothing for any other value.
std::optional<qint32> dwordOf(const QVariant& v) {
    qint64 n = 0;
    switch (v.typeId()) {
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        n = v.toLongLong();
        break;
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint32>::max())) {
            return std::nullopt;
        }
        n = qint64(u);
        break;
    }
    default:
        return std::nullopt;
    }
    if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return qint32(n);
}

// Stored text without its final NUL.
QString storedText(const QByteArray& data) {
    qsizetype size = data.size();
    if (size > 0 && data.at(size - 1) == '\0') {
        --size;
    }
    return QString::fromUtf8(data.constData(), size);
}

} // namespace

QString ExpandEnvironmentStrings(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), i);
        if (open < 0) {
            out += QStringView(text).mid(i);
            break;
        }
        out += QStringView(text).mid(i, open - i);
        const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            out += QStringView(text).mid(open);
            break;
        }
        const QString name = text.mid(open + 1, close - open - 1);
        if (!name.isEmpty() && !name.contains(QLatin1Char('=')) &&
            qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
            out += qEnvironmentVariable(name.toLocal8Bit().constData());
            i = close + 1;
        } else {
            // Not a variable: keep the first "%" and look again from the
            // second, which may open a name of its own.
            out += QStringView(text).mid(open, close - open);
            i = close;
        }
    }
    return out;
}

cRegistry::cRegistry(const QString& databaseFile)
    : m_file(databaseFile.isEmpty() ? DefaultDatabaseFile() : databaseFile),
      m_db(std::make_unique<RegistryDatabase>(m_file)) {}

cRegistry::~cRegistry() = default;

void cRegistry::Close() {
    m_db->Close();
}

QString cRegistry::DefaultDatabaseFile() {
    if (!defaultFileOverride().isEmpty()) {
        return defaultFileOverride();
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/Lumadeck/registry.sqlite");
}

void cRegistry::SetDefaultDatabaseFile(const QString& file) {
    defaultFileOverride() = file;
}

QVariant cRegistry::Value() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    if (root == 0 || !path || m_valueKey.contains(QChar(0))) {
        return m_default;
    }
    long type = 0;
    QByteArray data;
    if (m_db->readValue(root, *path, m_valueKey, type, data) != RegistryDatabase::Status::Ok) {
        return m_default;
    }
    QVariant result;
    switch (type) {
    case REG_SZ:
    case REG_MULTI_SZ:
        result = storedText(data);
        break;
    case REG_EXPAND_SZ:
        result = ExpandEnvironmentStrings(storedText(data));
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        if (data.size() != 4) {
            return m_default;
        }
        const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
        result =
            type == REG_DWORD ? qFromLittleEndian<qint32>(bytes) : qFromBigEndian<qint32>(bytes);
        break;
    }
    default:
        result = data;
        break;
    }
    m_valueType = type;
    return result;
}

void cRegistry::SetValue(const QVariant& vValue) {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    if (root == 0 || !path || m_valueKey.contains(QChar(0))) {
        return;
    }
    long type = 0;
    QByteArray data;
    switch (m_valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const auto text = textOf(vValue);
        if (!text) {
            return;
        }
        const qsizetype percent = text->indexOf(QLatin1Char('%'));
        const bool expand = percent >= 0 && text->indexOf(QLatin1Char('%'), percent + 2) >= 0;
        type = expand ? REG_EXPAND_SZ : REG_SZ;
        data = text->toUtf8();
        data.append('\0');
        break;
    }
    case REG_BINARY:
        if (vValue.typeId() != QMetaType::QByteArray) {
            return;
        }
        type = REG_BINARY;
        data = vValue.toByteArray();
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        const auto n = dwordOf(vValue);
        if (!n) {
            return;
        }
        type = REG_DWORD;
        data.resize(4);
        qToLittleEndian<qint32>(*n, data.data());
        break;
    }
    default:
        return;
    }
    m_db->writeValue(root, *path, m_valueKey, type, data);
}

bool cRegistry::KeyExists() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    return root != 0 && path && m_db->keyExists(root, *path);
}

bool cRegistry::CreateKey() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    return root != 0 && path && m_db->createKey(root, *path);
}

bool cRegistry::DeleteKey() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    return root != 0 && path && m_db->deleteKey(root, *path, false);
}

bool cRegistry::DeleteKeyIfEmpty() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    return root != 0 && path && m_db->deleteKey(root, *path, true);
}

bool cRegistry::DeleteValue() {
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    return root != 0 && path && !m_valueKey.contains(QChar(0)) &&
           m_db->deleteValue(root, *path, m_valueKey);
}

bool cRegistry::EnumerateValues(QStringList& sKeyNames, long& iKeyCount) {
    sKeyNames.clear();
    iKeyCount = 0;
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    if (root == 0 || !path) {
        return true;
    }
    QStringList names;
    if (m_db->listValues(root, *path, names) == RegistryDatabase::Status::Ok) {
        sKeyNames = names;
        iKeyCount = long(names.size());
    }
    return true;
}

bool cRegistry::EnumerateSections(QStringList& sSect, long& iSectCount) {
    sSect.clear();
    iSectCount = 0;
    const qint64 root = rootId(m_classKey);
    const auto path = splitSection(m_sectionKey);
    if (root == 0 || !path) {
        return true;
    }
    QStringList names;
    const auto status = m_db->listKeys(root, *path, names);
    if (status == RegistryDatabase::Status::Failed) {
        return false;
    }
    sSect = names;
    iSectCount = long(names.size());
    return true;
}

} // namespace lumadeck
