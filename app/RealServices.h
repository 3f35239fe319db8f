#pragma once

#include "Services.h"

// The Qt and POSIX implementations, alive for the whole process.
Services realServices();
