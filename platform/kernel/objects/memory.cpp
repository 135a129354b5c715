// The local heap: LocalAlloc gives fixed blocks of the C heap (zeroed with LMEM_ZEROINIT).
#include <windows.h>

#include <algorithm>
#include <cstdlib>

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    // Moveable blocks do not exist on the handheld; only LMEM_FIXED and LMEM_ZEROINIT are known.
    if ((uFlags & ~static_cast<UINT>(LMEM_ZEROINIT)) != 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A block of 0 bytes is still a distinct block that LocalFree accepts.
    SIZE_T size = std::max<SIZE_T>(uBytes, 1);
    void* block = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
    if (!block)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HLOCAL LocalFree(HLOCAL hMem)
{
    std::free(hMem);
    return nullptr;
}
