#include "mdlCDNotify.h"

namespace lumadeck::mdlCDNotify {

bool bHooked = false;

} // namespace lumadeck::mdlCDNotify
