// The emulated handheld: one directory holding its registry database and its runtime files.
#pragma once

#include <filesystem>

namespace ce
{

// $HANDHELD_DIR, or ${XDG_STATE_HOME:-$HOME/.local/state}/qn40/handheld. Created (owner-only) on first use.
std::filesystem::path HandheldDir();

// <handheld>/run: locks, sockets and window lists of running processes. Owner-only (0700).
std::filesystem::path RuntimeDir();

// The folder holding the platform's shared libraries and the DLLs LoadLibraryW finds: the folder of
// libcoredll.so itself, unless $QN40_LIBRARY_DIR names another.
std::filesystem::path LibraryDir();

// <library folder>/../share/qn40: the factory registry image and other shipped data.
std::filesystem::path ShareDir();

// Forgets the cached folders and closes the registry, so that a changed HANDHELD_DIR takes effect.
// For tests that switch handhelds inside one process; no handle may be open across the switch.
void ResetHandheld();

// Hooks run by ResetHandheld, registered by the parts of the kernel that cache handheld state.
void AddHandheldResetHook(void (*hook)());

} // namespace ce
