#pragma once

#include "protocol/shared_int.h"

namespace tessaly {

// Process-wide flags of the running program (0/1).
struct ProgramFlags {
    // Unsaved changes to the receiver table or the display state: set by whoever changes them,
    // cleared when an environment file is opened and after a successful save.
    SharedInt modified{0};
    // The operator started monitoring (menu bar button); the menus' enabled states follow it.
    SharedInt monitoring{0};
};

inline ProgramFlags& programFlags() {
    static ProgramFlags flags;
    return flags;
}

} // namespace tessaly
