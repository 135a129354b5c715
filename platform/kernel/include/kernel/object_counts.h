// How many objects this process holds open, for the automation command "objects": a program that runs
// for days must keep these flat.
#pragma once

#include <cstddef>

namespace ce
{

// Entries of the kernel's handle table: events, mutexes, files, devices, modules, device registrations.
std::size_t OpenHandleCount();
// Open registry key handles (the predefined roots are not counted).
std::size_t OpenRegistryKeyCount();

} // namespace ce
