#include "AppEnvironment.h"

namespace lumadeck {

AppEnvironment& Environment() {
    static AppEnvironment environment;
    return environment;
}

} // namespace lumadeck
