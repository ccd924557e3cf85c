#pragma once

// The numeric codes the media player control and the video player pass
// around. The numbers are those of the control's interface and are stored
// and compared as they are, so they never change.

namespace lumadeck {

// Where the control is with the open clip.
enum class PlayStateCode : int {
    Stopped = 0,
    Paused = 1,
    Playing = 2,
    // Not a state of the control: the video player passes it when the file
    // is being closed, so that its position is saved.
    Closing = 8,
};

// Whether the control has a clip open.
enum class OpenStateCode : int {
    Closed = 0,
    Open = 6,
};

// How large the control shows the picture.
enum class DisplaySizeCode : int {
    Default = 0, // actual size
    Half = 1,
    Double = 2,
    FullScreen = 3,
    FitToWindow = 4,
    OneSixteenthScreen = 5,
    OneFourthScreen = 6,
    OneHalfScreen = 7,
};

// The zoom the user chooses, as the options store it.
enum class ZoomIndex : int {
    ActualSize = 0,
    Half = 1,
    Double = 2,
    FitToWindow = 3,
};

// Which text about the clip MediaInfoString() gives.
enum class MediaInfoCode : int {
    FileName = 7,
    Title = 8,
    Author = 9,
    Copyright = 10,
    Description = 12,
};

// The number behind a code, for storing or printing it.
template <typename Code> constexpr long CodeValue(Code code) {
    return static_cast<long>(code);
}

// Which channel of a stereo sound is heard: both as they are, or one of
// them on both speakers (karaoke discs put the singer on one channel and the
// band alone on the other).
enum class AudioChannelCode { Stereo = 0, Left = 1, Right = 2 };

} // namespace lumadeck
