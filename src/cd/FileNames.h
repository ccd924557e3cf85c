#pragma once

// The lossless file-name encoding lives with the other platform services.
#include "platform/FileNames.h"
