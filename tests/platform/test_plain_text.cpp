// Untrusted names (markup, special marks) shown as text in labels, menus, tips,
// captions, and file names whose bytes are not UTF-8 kept byte for byte.
#include "platform/FileNames.h"
#include "platform/PlainText.h"

#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace lumadeck;

static const QString kMarkup = QStringLiteral("<b>x</b><img src=\"/dev/zero\">");

TEST(PlainText, LabelsAndToolTipsShowMarkupAsItsCharacters) {
    for (const QString& text :
         {kMarkup, QStringLiteral("<a href=\"file:///etc\">x</a>"), QStringLiteral("a &lt; b & c"),
          QStringLiteral("  two  spaces  ")}) {
        QLabel label;
        PlainLabel(&label)->setText(text);
        // As wide as the literal text, which rendered markup never is.
        EXPECT_GE(label.sizeHint().width(), label.fontMetrics().horizontalAdvance(text))
            << text.toStdString();
        EXPECT_TRUE(!label.openExternalLinks() && label.text() == text); // never trimmed
        // A tool tip is always rich text, holding exactly the characters given.
        const QString tip = ToolTipText(text);
        EXPECT_TRUE(Qt::mightBeRichText(tip));
        QTextDocument doc;
        doc.setHtml(tip);
        EXPECT_EQ(doc.toPlainText(), text);
    }
}

TEST(PlainText, MenuTextsShowAmpersandsAndDropControlCharacters) {
    const QString film = QString::fromUtf8("caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x8E\xAC.mpg");
    const QString raw = QString("raw") + QChar(0xDCE9) + ".mpg";
    for (const auto& [in, out] :
         {std::pair<QString, QString>{"Tom & Jerry.mpg", "Tom && Jerry.mpg"},
          {"&Open.mpg", "&&Open.mpg"},
          {"left\tright.mpg", "leftright.mpg"},
          {"two\r\nlines\n.mpg", "twolines.mpg"},
          {QString("del") + QChar(0x7F) + QChar(0x85) + "c1.mpg", "delc1.mpg"},
          {film, film},
          {raw, raw},
          {kMarkup, kMarkup}}) {
        QMenu menu(MenuText(in));
        QAction* item = menu.addAction(MenuText(in));
        EXPECT_EQ(item->text(), out) << in.toStdString();
        // No shortcut is made from the name.
        EXPECT_TRUE(QKeySequence::mnemonic(item->text()).isEmpty()) << in.toStdString();
        EXPECT_TRUE(QKeySequence::mnemonic(menu.title()).isEmpty()) << in.toStdString();
    }
}

TEST(FileNames, KeepsEveryByteOfNamesThatAreNotUtf8) {
    for (const QByteArray s :
         {"plain.dat", "caf\xc3\xa9.mpg", "\xff\xfe.dat", "bad\xc3(.mpg", "\xed\xa0\x80 surrogate",
          "\xc0\xaf overlong", "\xf4\x90\x80\x80 too high", "\xf0\x9f\x8e\xac emoji",
          "cut \xe2\x82"}) {
        EXPECT_EQ(EncodeFileName(DecodeFileName(s)), s) << s.toHex().constData();
    }
    EXPECT_EQ(DecodeFileName("caf\xc3\xa9 \xf0\x9f\x8e\xac"),
              QString::fromUtf8("caf\xc3\xa9 \xf0\x9f\x8e\xac"));
    EXPECT_EQ(DecodeFileName("\xff").size(), 1);
    // A name is at most 4096 bytes, and none holds a NUL: no C string is made of one.
    EXPECT_TRUE(IsPossibleFileName("/" + QString(2047, QChar(0xE9)) + "a"));
    EXPECT_FALSE(IsPossibleFileName("/" + QString(2048, QChar(0xE9))));
    EXPECT_FALSE(IsPossibleFileName(QString("a") + QChar(0) + "b"));
    EXPECT_TRUE(EncodeFileName(QString("a") + QChar(0) + "b").isEmpty());
}
