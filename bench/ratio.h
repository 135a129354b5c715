// What every benchmark program of bench/ reports: the median of a series and, for each comparison, one
// line "ratio <name> <value> target <bound>" that scripts read.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench
{

// The middle value (the mean of the two middle ones for an even count); 0 for an empty series.
inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline void PrintRatio(const std::string& name, double ratio, double target)
{
    std::printf("ratio %s %.2f target %g\n", name.c_str(), ratio, target);
}

} // namespace bench
