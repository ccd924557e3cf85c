#pragma once
// Kept for tests that include it from here.
#include "../support/MainWindowFixture.h"
