// Visibility of the host's C interface (the library is built with hidden visibility).
#pragma once

#define HALCYON_API extern "C" __attribute__((visibility("default")))
