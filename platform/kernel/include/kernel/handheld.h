// The emulated handheld: one directory holding its registry database and its runtime files.
//
//   registry.db, registry.db-wal, registry.db-shm   the registry (SQLite)
//   registry.lock                                   held while the registry is being set up
//   run/                                            RuntimeDir(): files of running processes
//   run/mutex/                                      the lock files of named mutexes
//   run/ws/                                         the window station (kernel/winstation.h)
//   run/atoms                                       registered window message names
//   simulator/                                      the simulated drivers' request log
//
// It holds the registry with the card's settings and WEP keys, so it is the owner's alone: folders are
// 0700 and files 0600 whatever the umask, and nothing in it is reached through a symbolic link. Every
// file and folder in it is opened or made through OpenHandheldFile and MakeHandheldFolder.
#pragma once

#include <kernel/unique_fd.h>

#include <filesystem>
#include <string>

namespace ce
{

// $HANDHELD_DIR, or ${XDG_STATE_HOME:-$HOME/.local/state}/qn40/handheld. Made on first use (0700, with
// any missing parents); an existing one that other users may enter is narrowed to its owner, with one
// line on standard error saying so. Empty when it is no folder of this user or cannot be made;
// HandheldProblem() then says why.
std::filesystem::path HandheldDir();
// Why HandheldDir() is empty, as a sentence for the user; empty when it is not.
std::string HandheldProblem();

// <handheld>/run, made (or checked) by MakeHandheldFolder; empty when the handheld has no usable one.
std::filesystem::path RuntimeDir();

// Makes a folder inside the handheld, 0700 whatever the umask, or checks the one there: a folder of this
// user, not a symbolic link, narrowed to its owner when others may enter it. 0, or the errno that refuses
// it: ELOOP for a symbolic link, ENOTDIR for something else than a folder, EPERM for another user's.
int MakeHandheldFolder(const std::filesystem::path& dir);

// Opens a file inside the handheld, never through a symbolic link (ELOOP) and only a regular file (EISDIR
// for a folder, EINVAL for anything else). With O_CREAT a file it makes is 0600 whatever the umask; an
// existing file that others may read is narrowed to its owner. An empty descriptor with errno on failure.
UniqueFd OpenHandheldFile(const std::filesystem::path& file, int flags);

// A sentence for the user about a path of the handheld that was refused or could not be used.
std::string HandheldPathError(const std::filesystem::path& path, int error);

// Checks the runtime folder and what lies in it before a program that owns windows or drives them starts
// its work. False, with a message for the user, when one of them is refused: the program then stops with
// the message instead of running unreachable.
bool CheckRuntimeDir(std::string& message);

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
