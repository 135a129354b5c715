// Registry internals for other parts of the platform, the simulator's tools and tests, and the owned key
// handle they use.
//
// The registry lives in <HandheldDir()>/registry.db (SQLite, WAL journal, synchronous commits), opened on
// the first registry call of a process and created from the factory image on the handheld's first use.
// Every registry call is one transaction; RunRegistryTransaction groups several into one.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

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

// Opens the handheld's registry now, as the first registry call would (on the handheld's first use
// creating it from the factory image). ERROR_SUCCESS, or the error with `message` saying, for the user,
// what is wrong and how to recover. Every program of the handheld calls it before its work, so that a
// damaged or unreachable registry stops it with that message instead of letting it run on defaults.
LONG OpenRegistry(std::string& message);

// True when the registry was opened read-only (the handheld's folder or database cannot be written):
// reads work, and every write fails with ERROR_ACCESS_DENIED.
bool RegistryIsReadOnly();

// A registry key handle owned by one object and closed with it.
class UniqueHkey
{
public:
    UniqueHkey() = default;
    explicit UniqueHkey(HKEY key) : m_key(key) {}
    ~UniqueHkey() { reset(); }
    UniqueHkey(UniqueHkey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    UniqueHkey& operator=(UniqueHkey&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_key, nullptr));
        return *this;
    }
    UniqueHkey(const UniqueHkey&) = delete;
    UniqueHkey& operator=(const UniqueHkey&) = delete;

    HKEY get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }
    // Closes the key held and hands out the slot for a call that opens one: RegOpenKeyExW(..., k.receive()).
    HKEY* receive()
    {
        reset();
        return &m_key;
    }
    void reset(HKEY key = nullptr)
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = key;
    }

private:
    HKEY m_key = nullptr;
};

// The factory image imported when the handheld's registry is created: $QN40_FACTORY_REGISTRY, or
// ShareDir()/handheld.reg. A missing image gives a registry with empty roots.
std::filesystem::path FactoryRegistryImage();

} // namespace ce
