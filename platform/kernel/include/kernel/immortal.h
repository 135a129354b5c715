// The one way the platform keeps state that must outlive static destruction: drivers' threads, atexit
// handlers and the destructors of other statics may still reach it while the process exits. A module
// keeps its state in one struct and holds it in a function-local Immortal, made on first use and never
// destroyed (its memory goes with the process).
#pragma once

#include <new>
#include <utility>

namespace ce
{

template <class T> class Immortal
{
public:
    template <class... Args> explicit Immortal(Args&&... args)
    {
        ::new (static_cast<void*>(m_storage)) T(std::forward<Args>(args)...);
    }
    Immortal(const Immortal&) = delete;
    Immortal& operator=(const Immortal&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(m_storage)); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

} // namespace ce
