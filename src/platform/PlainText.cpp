#include "PlainText.h"

#include <QLabel>

namespace lumadeck {

QLabel* PlainLabel(QLabel* label) {
    if (label) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
    }
    return label;
}

QString MenuText(const QString& text) {
    QString out;
    out.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control) {
            continue;
        }
        if (c == QLatin1Char('&')) {
            out += QLatin1Char('&');
        }
        out += c;
    }
    return out;
}

QString ToolTipText(const QString& text) {
    // Tool tips guess the format from the text; a paragraph of escaped text
    // is always taken as rich text and shows every character as it is.
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

QString CaptionText(const QString& text) {
    // Qt shows "[*][*]" as "[*]" and takes a single "[*]" for the mark.
    QString out = text;
    out.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return out;
}

} // namespace lumadeck
