// qn40_bench: the in-process comparisons (the driver channel, the registry, the pages), in a handheld of
// their own that exists for the run, with the simulated card steady and connected and the window system
// offscreen. Ends with one ratio line per comparison.
//
//   qn40_bench [--smoke] [--rounds N] [--min-time SECONDS | --iterations N] [--filter TEXT] [--benchmark_...]
#include "comparison.h"
#include "ratio.h"

#include <PPC_ui.h>

#include <card/air.h>
#include <card/wlan_miniport.h>
#include <gwes/gwes.h>
#include <kernel/handheld.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <unistd.h>

UINT WM_TBARDLGMESSAGE = 0;

namespace
{

CPPC_uiApp s_app;

// A fresh handheld in a temporary folder for the life of the object.
class BenchHandheld
{
public:
    BenchHandheld()
    {
        std::string folder = (std::filesystem::temp_directory_path() / "qn40-bench-XXXXXX").string();
        if (::mkdtemp(folder.data()))
            m_path = folder;
        ::setenv("HANDHELD_DIR", m_path.c_str(), 1);
    }
    ~BenchHandheld()
    {
        ce::ResetHandheld();
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    bool ok() const { return !m_path.empty(); }

private:
    std::filesystem::path m_path;
};

// The card connected at once, with a signal that does not move.
bool SteadyCard()
{
    sim::WlanMiniport card(sim::CardIdentity());
    for (const auto& setting : {std::pair{"ScanTime", "0"}, std::pair{"Rssi", "-50"}})
        if (card.ChangeAir([&] { return sim::SetAirValue(setting.first, setting.second); }, false))
            return false;
    return true;
}

bool ParseOptions(int argc, char** argv, bench::RunOptions& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--smoke")
            options.smoke = true;
        else if (arg == "--rounds" && hasValue)
            options.rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--min-time" && hasValue)
            options.minTime = std::atof(argv[++i]);
        else if (arg == "--iterations" && hasValue)
            options.iterations = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--filter" && hasValue)
            options.filter = argv[++i];
        else if (arg.rfind("--benchmark_", 0) != 0)
        {
            std::fprintf(stderr, "usage: qn40_bench [--smoke] [--rounds N] [--min-time SECONDS | "
                                 "--iterations N] [--filter TEXT]\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bench::RunOptions options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    benchmark::Initialize(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");

    BenchHandheld handheld;
    if (!handheld.ok() || !SteadyCard() || !gwes::EnsureApplication())
    {
        std::fprintf(stderr, "qn40_bench: cannot set up the handheld and the window system\n");
        return 1;
    }
    AfxSetResourceHandle(AfxGetInstanceHandle());

    const std::vector<bench::Outcome> outcomes = bench::RunComparisons(options);
    bench::Teardown();
    gwes::ShutdownApplication();

    int failed = 0;
    for (const bench::Outcome& o : outcomes)
    {
        if (!o.error.empty())
            ++failed;
        else if (!options.smoke)
            bench::PrintRatio(o.name, o.ratio, o.target);
    }
    return failed ? 1 : 0;
}
