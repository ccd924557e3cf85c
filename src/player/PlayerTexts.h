#pragma once

#include <QString>

namespace lumadeck {

// Formats a playing time in seconds as "m:ss" below an hour and "h:mm:ss"
// from an hour ("0:05", "1:15", "59:59", "1:00:00", "2:02:02"). Up to 59 s
// the seconds are rounded with halves away from zero; above that the whole
// time is rounded to a second with halves to even, and the minutes and hours
// are taken from that rounded time (so 119.7 is "2:00", not "1:00").
QString ConvertSeconds(double lSeconds);

// Title of the box that reports an error of the media player control.
inline constexpr const char* kPlayerErrorTitle = "MS Media Player Error";

// Where the error box sends the user.
inline constexpr const char* kCodecDownloadUrl =
    "https://gstreamer.freedesktop.org/documentation/installing/on-linux.html";
inline constexpr const char* kVideoToolsUrl =
    "https://wiki.archlinux.org/title/List_of_applications/Multimedia";
inline constexpr const char* kVideoCdHelpUrl = "https://en.wikipedia.org/wiki/Video_CD";

// The text of the error box for an error of the control while fileName was
// being played: the file, the code and the description, advice chosen by
// the description ("format" first, then "codec"), and where to find help.
QString ComposeErrorMessage(const QString& fileName, long errorCode,
                            const QString& errorDescription);

// The text passed on with the player's ErrorMsg signal.
QString ErrorMsgText(long errorCode, const QString& errorDescription);

} // namespace lumadeck
