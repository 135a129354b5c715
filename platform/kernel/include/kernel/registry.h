// Registry internals for other parts of the platform, the simulator's tools and tests.
//
// The registry lives in <HandheldDir()>/registry.db (SQLite, WAL journal, synchronous commits), opened on
// the first registry call of a process and created from the factory image on the handheld's first use.
// Every registry call is one transaction; RunRegistryTransaction groups several into one.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>

namespace ce
{

// Runs `body` inside one registry transaction. Registry calls the body makes on this thread join it
// (each as a savepoint, so a failing call undoes only its own part). The transaction commits when the
// body returns ERROR_SUCCESS and rolls back otherwise; its result is the body's, or the error of the
// commit. A `write` transaction takes the database's write lock up front, so nothing changes under it;
// a read transaction sees one consistent snapshot. Nested calls join the outer transaction. Other threads
// wait until it ends. The body must not throw; if it does, the transaction rolls back and the result is
// ERROR_GEN_FAILURE.
LONG RunRegistryTransaction(bool write, const std::function<LONG()>& body);

// The factory image imported when the handheld's registry is created: $QN40_FACTORY_REGISTRY, or
// ShareDir()/handheld.reg. A missing image gives a registry with empty roots.
std::filesystem::path FactoryRegistryImage();

} // namespace ce
