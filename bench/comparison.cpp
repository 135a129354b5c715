#include "comparison.h"

#include "ratio.h"

#include <cstdio>
#include <map>

namespace bench
{
namespace
{

std::vector<Comparison>& Registered()
{
    static auto* comparisons = new std::vector<Comparison>;
    return *comparisons;
}

std::vector<void (*)()>& Teardowns()
{
    static auto* actions = new std::vector<void (*)()>;
    return *actions;
}

// Keeps the time per iteration of every run, by benchmark name, and the first error.
class Collector : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
        {
            if (run.run_type != Run::RT_Iteration)
                continue;
            if (run.error_occurred)
                m_errors.emplace(run.run_name.function_name, run.error_message);
            else if (run.iterations > 0)
                m_seconds[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                                static_cast<double>(run.iterations));
        }
    }

    // The time of the last run of a benchmark; 0 when it has none.
    double Last(const std::string& name) const
    {
        auto it = m_seconds.find(name);
        return it == m_seconds.end() || it->second.empty() ? 0 : it->second.back();
    }
    const std::vector<double>& All(const std::string& name) { return m_seconds[name]; }
    std::string Error(const std::string& name) const
    {
        auto it = m_errors.find(name);
        return it == m_errors.end() ? std::string() : it->second;
    }

private:
    std::map<std::string, std::vector<double>> m_seconds;
    std::map<std::string, std::string> m_errors;
};

void Register(const std::string& name, BenchmarkBody body, const RunOptions& options)
{
    benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(name.c_str(), body);
    b->Unit(benchmark::kMicrosecond);
    if (options.smoke)
        b->Iterations(1);
    else if (options.iterations > 0)
        b->Iterations(options.iterations);
    else
        b->MinTime(options.minTime);
}

double RunOne(Collector& collector, const std::string& name)
{
    benchmark::RunSpecifiedBenchmarks(&collector, "^" + name + "(/|$)");
    return collector.Last(name);
}

} // namespace

bool AddComparison(Comparison comparison)
{
    Registered().push_back(std::move(comparison));
    return true;
}

std::vector<Outcome> RunComparisons(const RunOptions& options)
{
    std::vector<Comparison> chosen;
    for (const Comparison& c : Registered())
        if (c.name.find(options.filter) != std::string::npos)
            chosen.push_back(c);
    for (const Comparison& c : chosen)
    {
        Register(c.name + "/measured", c.measured, options);
        Register(c.name + "/baseline", c.baseline, options);
    }

    Collector collector;
    std::vector<Outcome> outcomes;
    const int rounds = options.smoke ? 1 : options.rounds;
    for (const Comparison& c : chosen)
    {
        const std::string measured = c.name + "/measured", baseline = c.name + "/baseline";
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round)
        {
            double m, b;
            if (round % 2 == 0)
            {
                m = RunOne(collector, measured);
                b = RunOne(collector, baseline);
            }
            else
            {
                b = RunOne(collector, baseline);
                m = RunOne(collector, measured);
            }
            if (m > 0 && b > 0)
                ratios.push_back(m / b);
        }
        Outcome o;
        o.name = c.name;
        o.target = c.target;
        o.error = collector.Error(measured);
        if (o.error.empty())
            o.error = collector.Error(baseline);
        if (o.error.empty() && ratios.empty())
            o.error = "no run finished";
        if (!ratios.empty())
        {
            o.ratio = Median(ratios);
            o.lowest = *std::min_element(ratios.begin(), ratios.end());
            o.highest = *std::max_element(ratios.begin(), ratios.end());
        }
        o.measuredSeconds = Median(collector.All(measured));
        o.baselineSeconds = Median(collector.All(baseline));
        std::fprintf(stderr,
                     "%-16s measured %10.1f us  baseline %10.1f us  ratio %.2f (rounds %.2f..%.2f)%s%s\n",
                     o.name.c_str(), o.measuredSeconds * 1e6, o.baselineSeconds * 1e6, o.ratio, o.lowest,
                     o.highest, o.error.empty() ? "" : "  error: ", o.error.c_str());
        outcomes.push_back(o);
    }
    return outcomes;
}

void AtTeardown(void (*action)())
{
    Teardowns().push_back(action);
}

void Teardown()
{
    std::vector<void (*)()>& actions = Teardowns();
    while (!actions.empty())
    {
        void (*action)() = actions.back();
        actions.pop_back();
        action();
    }
}

} // namespace bench
