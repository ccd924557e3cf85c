#pragma once

namespace lumadeck::mdlCDNotify {

// True while the program is being told of disc arrivals and removals.
extern bool bHooked;

} // namespace lumadeck::mdlCDNotify
