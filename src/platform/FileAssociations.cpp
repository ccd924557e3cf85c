// The shell file-association writer of cRegistry: it registers a program as
// the handler of a file extension in the registry's class trees. Nothing in
// Lumadeck calls it; desktop integration on Linux is a .desktop file.
#include "cRegistry.h"

namespace lumadeck {

namespace {

const QString MachineClasses = QStringLiteral("SOFTWARE\\Classes\\");

QString quoted(const QString& exePath) {
    QString e = exePath.trimmed();
    if (!e.startsWith(QLatin1Char('"'))) {
        e.prepend(QLatin1Char('"'));
    }
    if (e.size() < 2 || !e.endsWith(QLatin1Char('"'))) {
        e.append(QLatin1Char('"'));
    }
    return e;
}

QString orDefault(const QString& text, const QString& fallback) {
    return text.isEmpty() ? fallback : text;
}

} // namespace

// Writes the default value of a class key below HKEY_CLASSES_ROOT and again
// below HKEY_LOCAL_MACHINE\SOFTWARE\Classes. SectionKey is kept; ClassKey is
// left at HKEY_LOCAL_MACHINE.
void cRegistry::SetClassValue(const QString& sSectionKey, const QString& sValue) {
    const QString saved = m_sectionKey;
    m_classKey = HKEY_CLASSES_ROOT;
    m_sectionKey = sSectionKey;
    SetValue(sValue);
    m_classKey = HKEY_LOCAL_MACHINE;
    m_sectionKey = MachineClasses + sSectionKey;
    SetValue(sValue);
    m_sectionKey = saved;
}

void cRegistry::CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                                     const QString& sClassDescription, const QString& sAssociation,
                                     const QString& sOpenMenuText, bool bSupportPrint,
                                     const QString& sPrintMenuText, bool bSupportNew,
                                     const QString& sNewMenuText, bool bSupportInstall,
                                     const QString& sInstallMenuText, long lDefaultIconIndex) {
    const QString exe = quoted(sExePath);
    const QString document = QStringLiteral("\"%1\"");
    const QString shell = sClassName + QStringLiteral("\\shell\\");
    m_valueKey.clear();
    m_valueType = REG_SZ;

    SetClassValue(QLatin1Char('.') + sAssociation, sClassName);
    SetClassValue(sClassName, sClassDescription);
    SetClassValue(shell + "open", orDefault(sOpenMenuText, QStringLiteral("&Open")));
    SetClassValue(shell + "open\\command", exe + ' ' + document);
    if (bSupportPrint) {
        SetClassValue(shell + "print", orDefault(sPrintMenuText, QStringLiteral("&Print")));
        SetClassValue(shell + "print\\command", exe + " /p " + document);
    }
    if (bSupportInstall) {
        SetClassValue(shell + "add",
                      orDefault(sInstallMenuText, QStringLiteral("&Install ") + sAssociation));
        SetClassValue(shell + "add\\command", exe + " /a " + document);
    }
    if (bSupportNew) {
        SetClassValue(shell + "new", orDefault(sNewMenuText, QStringLiteral("&New")));
        SetClassValue(shell + "new\\command", exe + " /n " + document);
    }
    if (lDefaultIconIndex > -1) {
        SetClassValue(sClassName + "\\DefaultIcon", exe + ',' + QString::number(lDefaultIconIndex));
    }
}

void cRegistry::CreateAdditionalEXEAssociations(const QString& sClassName,
                                                const QVariantList& vItems) {
    if (vItems.size() % 3 != 0) {
        return;
    }
    m_sectionKey = sClassName;
    if (!KeyExists()) {
        return;
    }
    m_valueType = REG_SZ;
    m_valueKey.clear();
    for (qsizetype i = 0; i + 2 < vItems.size(); i += 3) {
        const QString verb = sClassName + QStringLiteral("\\shell\\") + vItems[i].toString();
        SetClassValue(verb, vItems[i + 1].toString());
        SetClassValue(verb + QStringLiteral("\\command"), vItems[i + 2].toString());
    }
}

} // namespace lumadeck
