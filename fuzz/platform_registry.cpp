// Drives the registry with arbitrary key paths, names, types and values, and
// checks that what is written reads back: bytes exactly, texts without a
// "%...%" pair exactly, and key names exactly when listed.
#include "platform/cRegistry.h"

#include <QDir>
#include <QString>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

using namespace lumadeck;

namespace {

// Names from a small alphabet, so that paths meet and nest: separators,
// percent signs, case pairs, non-ASCII letters and lone surrogates.
QString name(FuzzedDataProvider& in) {
    static const char16_t alphabet[] = {u'a', u'A', u'b', u'B', u'\\',  u'%',   u'.',   u' ',
                                        u'0', u'ß', u'Ä', u'ä', 0xDCE9, 0xD83C, 0xDFAC, u'z'};
    QString s;
    const int length = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < length; ++i) {
        s.append(QChar(alphabet[in.ConsumeIntegralInRange<int>(0, 15)]));
    }
    return s;
}

bool plainPath(const QString& section) {
    // One that names a key: no empty parts except a single trailing "\".
    QString p = section;
    if (p.endsWith('\\')) {
        p.chop(1);
    }
    return p.isEmpty() || !p.split('\\').contains(QString());
}

bool hasSurrogate(const QString& s) {
    for (QChar c : s) {
        if (c.isSurrogate()) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString folder =
        QDir::tempPath() + "/lumadeck-fuzz-registry-" + QString::number(getpid());
    static cRegistry reg(folder + "/registry.sqlite");
    static const struct Cleanup {
        ~Cleanup() { QDir(folder).removeRecursively(); }
    } cleanup;
    static const long roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, 0, 7};
    FuzzedDataProvider in(data, size);
    while (in.remaining_bytes() > 0) {
        reg.SetClassKey(roots[in.ConsumeIntegralInRange<int>(0, 4)]);
        const QString section = name(in);
        const QString value = name(in);
        reg.SetSectionKey(section);
        reg.SetValueKey(value);
        const bool addressable = reg.ClassKey() != 0 && reg.ClassKey() != 7 && plainPath(section);
        QStringList names;
        long count = 0;
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: {
            const QByteArray bytes = QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
            reg.SetValueType(REG_BINARY);
            reg.SetValue(bytes);
            reg.SetValueType(REG_NONE);
            const QVariant back = reg.Value();
            if (addressable && (back != QVariant(bytes) || reg.ValueType() != REG_BINARY)) {
                std::abort();
            }
            break;
        }
        case 1: {
            const QString text = name(in);
            reg.SetValueType(in.ConsumeBool() ? REG_SZ : REG_EXPAND_SZ);
            reg.SetValue(text);
            const qsizetype percent = text.indexOf('%');
            const bool expands = percent >= 0 && text.indexOf('%', percent + 2) >= 0;
            const QVariant back = reg.Value();
            if (addressable && !expands && !hasSurrogate(text) && back != QVariant(text)) {
                std::abort();
            }
            break;
        }
        case 2: {
            const int n = in.ConsumeIntegral<int>();
            reg.SetValueType(in.ConsumeBool() ? REG_DWORD : REG_DWORD_BIG_ENDIAN);
            reg.SetValue(n);
            if (addressable && reg.Value() != QVariant(n)) {
                std::abort();
            }
            break;
        }
        case 3:
            if (reg.CreateKey() != addressable) {
                std::abort();
            }
            if (addressable && !reg.KeyExists()) {
                std::abort();
            }
            break;
        case 4:
            reg.DeleteKey();
            if (addressable && !section.isEmpty() && section != "\\" && reg.KeyExists()) {
                std::abort();
            }
            break;
        case 5:
            reg.DeleteValue();
            break;
        case 6:
            reg.EnumerateValues(names, count);
            if (count != names.size()) {
                std::abort();
            }
            break;
        case 7:
            reg.EnumerateSections(names, count);
            if (count != names.size()) {
                std::abort();
            }
            break;
        }
    }
    ExpandEnvironmentStrings(QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)));
    return 0;
}
