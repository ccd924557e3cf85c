// Untrusted text shown as text: labels, menu items, tool tips and window
// captions, each with names that look like markup or carry special marks.
#include "platform/PlainText.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QTextDocument>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

using namespace lumadeck;

namespace {

// Names a disc, a tag or a playlist can hold.
const QString kMarkup = QStringLiteral("<b>x</b><img src=\"/dev/zero\">");
const QString kLink = QStringLiteral("<a href=\"file:///etc\">x</a>");

} // namespace

TEST(PlainText, LabelsShowMarkupAsItsCharacters) {
    for (const QString& text :
         {kMarkup, kLink, QStringLiteral("<h1>BIG</h1>"), QStringLiteral("a &lt; b"),
          QStringLiteral("name ends in a space ")}) {
        QLabel label;
        PlainLabel(&label)->setText(text);
        // Laid out as its characters: as wide as the literal text, which
        // markup rendering (a bold "x", an image, a link) never is.
        const int literal = label.fontMetrics().horizontalAdvance(text);
        EXPECT_GE(label.sizeHint().width(), literal) << text.toStdString();
        EXPECT_FALSE(label.openExternalLinks());
        EXPECT_EQ(label.text(), text); // never trimmed
    }
}

TEST(PlainText, MenuTextsShowAmpersandsAndDropControlCharacters) {
    struct Case {
        QString in;
        QString out;
    };
    const QList<Case> cases = {
        {"Tom & Jerry.mpg", "Tom && Jerry.mpg"},
        {"&Open.mpg", "&&Open.mpg"},
        {"a&&b", "a&&&&b"},
        {"left\tright.mpg", "leftright.mpg"},
        {"two\r\nlines\n.mpg", "twolines.mpg"},
        {QString("del") + QChar(0x7F) + QChar(0x85) + "c1.mpg", "delc1.mpg"},
        {QString::fromUtf8("caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x8E\xAC.mpg"),
         QString::fromUtf8("caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x8E\xAC.mpg")},
        {QString("raw") + QChar(0xDCE9) + ".mpg", QString("raw") + QChar(0xDCE9) + ".mpg"},
        {"ends in a space ", "ends in a space "},
        {kMarkup, kMarkup},
    };
    QMenu menu;
    for (const Case& c : cases) {
        QAction* item = menu.addAction(MenuText(c.in));
        EXPECT_EQ(item->text(), c.out) << c.in.toStdString();
        // No shortcut is made from the name, and nothing moves to the
        // shortcut column.
        EXPECT_TRUE(QKeySequence::mnemonic(item->text()).isEmpty()) << c.in.toStdString();
        EXPECT_FALSE(item->text().contains(QLatin1Char('\t')));
        menu.setTitle(MenuText(c.in));
        EXPECT_TRUE(QKeySequence::mnemonic(menu.title()).isEmpty());
    }
}

TEST(PlainText, ToolTipsShowTheTextLiterally) {
    for (const QString& text : {kMarkup, kLink, QStringLiteral("a &lt; b & c"),
                                QStringLiteral("  two  spaces  "), QStringLiteral("plain.mpg")}) {
        const QString tip = ToolTipText(text);
        // Tool tips take text that may be rich as rich text; this one is
        // always rich, and its document holds exactly the characters given.
        EXPECT_TRUE(Qt::mightBeRichText(tip));
        QTextDocument doc;
        doc.setHtml(tip);
        EXPECT_EQ(doc.toPlainText(), text);
    }
}

TEST(PlainText, CaptionsKeepTheModifiedMarkLiteral) {
    struct Case {
        QString name;
        bool modified;
    };
    const QList<Case> cases = {
        {"clip[*].mpg", false}, {"clip[*].mpg", true},       {"[*][*]", false},
        {"a[*]b[*]c", true},    {"[*[*]]", false},           {"plain.mpg", false},
        {kMarkup, false},       {"ends in a space ", false},
    };
    for (const Case& c : cases) {
        QWidget window;
        window.setWindowTitle(CaptionText(c.name));
        window.setWindowModified(c.modified);
        window.winId(); // the native window carries the caption shown
        ASSERT_NE(window.windowHandle(), nullptr);
        EXPECT_EQ(window.windowHandle()->title(), c.name) << c.name.toStdString();
    }
}
