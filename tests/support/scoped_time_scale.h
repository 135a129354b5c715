// QN40_TIME_SCALE set for the life of the object and read again by the kernel; on destruction the
// variable is unset and time runs at its real rate again.
#pragma once

#include <kernel/time_scale.h>

#include <cstdlib>

namespace testing_support
{

class ScopedTimeScale
{
public:
    explicit ScopedTimeScale(const char* scale)
    {
        ::setenv("QN40_TIME_SCALE", scale, 1);
        ce::ReloadTimeScale();
    }
    ~ScopedTimeScale()
    {
        ::unsetenv("QN40_TIME_SCALE");
        ce::ReloadTimeScale();
    }
    ScopedTimeScale(const ScopedTimeScale&) = delete;
    ScopedTimeScale& operator=(const ScopedTimeScale&) = delete;
};

} // namespace testing_support
