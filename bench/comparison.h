// A comparison: a path of the utility (the measured benchmark) and what it is judged against (the
// baseline), two Google benchmarks "<name>/measured" and "<name>/baseline". They are run in alternating
// rounds, one run of each per round and the order swapped every round, so that both see the same machine;
// a round's ratio is its measured time per iteration over its baseline time per iteration, and the
// comparison's ratio is the median of the rounds' ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench
{

using BenchmarkBody = void (*)(benchmark::State&);

struct Comparison
{
    std::string name;  // as in the ratio line, e.g. "oid-query"
    double target = 0; // the ratio it should stay within
    BenchmarkBody measured = nullptr;
    BenchmarkBody baseline = nullptr;
};

// Adds a comparison (from a static initialiser of the file that defines it); returns true.
bool AddComparison(Comparison comparison);

struct RunOptions
{
    int rounds = 9;
    double minTime = 0.1; // seconds per run
    int iterations = 0;   // a fixed count per run instead (for profiling), when not 0
    bool smoke = false;   // one round of one iteration each: every benchmark runs, nothing is judged
    std::string filter;   // only the comparisons whose name contains this
};

struct Outcome
{
    std::string name;
    double target = 0;
    double ratio = 0;  // median of the rounds' ratios
    double lowest = 0; // the smallest and largest round ratio
    double highest = 0;
    double measuredSeconds = 0; // median time per iteration
    double baselineSeconds = 0;
    std::string error; // a benchmark that failed, with its message
};

// Runs the comparisons in the order they were added.
std::vector<Outcome> RunComparisons(const RunOptions& options);

// Releases what the benchmarks set up (windows before the window system ends, sessions before the
// handheld goes): the actions run once, last added first.
void AtTeardown(void (*action)());
void Teardown();

} // namespace bench
