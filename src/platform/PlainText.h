#pragma once

#include <QString>

class QLabel;

namespace lumadeck {

// Text that comes from files, tags, discs, playlists or the media engine
// (file names, titles, comments, error texts) is shown exactly as it is,
// never as rich text: a name such as "<img src=...>" must neither be drawn
// as markup nor make the text engine load anything.

// Makes the label show whatever text it is given as plain text, with no
// links to follow. Returns the label.
QLabel* PlainLabel(QLabel* label);

// The text of a menu item or menu title: every "&" doubled, so that it is
// shown rather than taken for a shortcut mark, and control characters
// (tabs, line breaks) left out. A tab would move the rest of the text to
// the shortcut column.
QString MenuText(const QString& text);

// A tool tip showing the text literally, spaces and line breaks included.
QString ToolTipText(const QString& text);

// A window caption showing the text literally: a "[*]" in it stays "[*]"
// instead of becoming the window's modified mark.
QString CaptionText(const QString& text);

} // namespace lumadeck
