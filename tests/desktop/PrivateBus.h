#pragma once
#include "../support/PrivateBus.h" // for tests that include it from here
