// A long run of the program WLAN: the Status page shown, the link flapping and the card ejected and
// inserted every simulated ten minutes, with the handheld's time running fast. What the program holds
// (kernel handles, registry keys, windows, timers, GDI objects, descriptors, resident memory) is sampled
// once a cycle and must stay flat; the program ends through its menu's Exit with status 0, which under
// LeakSanitizer also means no leak.
//
//   QN40_SOAK_HOURS   simulated hours (default 2, 1 under the sanitizers): six cycles an hour, at least seven
//   in all; where a
//                     cycle's work takes longer than its ten simulated minutes (a loaded machine, the
//                     sanitizers) the next one starts at once and the run covers more simulated time
//   QN40_TIME_SCALE   how much faster than real time the handheld runs (default 500)
#include "wlan_e2e_support.h"

#include <kernel/time_scale.h>
#include <simcore/clock.h>

#include <charconv>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace wlan_e2e
{
namespace
{

constexpr int64_t kCycleMs = 10 * 60 * 1000; // simulated
constexpr char kDefaultScale[] = "500";
// Bounds of flatness: after the first cycle (the warm-up), the last third's maximum of each count may
// exceed the first third's by this many objects, and its resident memory by this share.
constexpr long kObjectSlack = 2;
constexpr double kMemorySlack = 0.10;
#if defined(QN40_SANITIZED)
// Freed memory waits in the address sanitizer's quarantine, so resident memory grows by design there;
// leaks are LeakSanitizer's to find.
constexpr bool kCheckMemory = false;
constexpr int kWaitMs = 30000;
constexpr double kDefaultHours = 1; // each cycle takes longer than its ten minutes there
#else
constexpr bool kCheckMemory = true;
constexpr int kWaitMs = 10000;
constexpr double kDefaultHours = 2;
#endif

double SoakHours()
{
    const char* text = std::getenv("QN40_SOAK_HOURS");
    double hours = 0;
    if (!text || !*text || std::from_chars(text, text + std::strlen(text), hours).ec != std::errc() ||
        !(hours > 0))
        return kDefaultHours;
    return hours;
}

using Sample = std::map<std::string, long>;

// "Name:   value kB" of /proc/PID/status.
long StatusValue(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(name + ":", 0) == 0)
            return std::atol(line.c_str() + name.size() + 1);
    return -1;
}

long OpenDescriptors(pid_t pid)
{
    std::error_code ec;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end;
         !ec && it != end; it.increment(ec))
        ++count;
    return ec ? -1 : count;
}

// The program's counts ("objects": one "name value" line each), its descriptors and resident memory.
bool Take(Wlan& wlan, Sample& sample)
{
    std::string objects;
    if (!wlan.Ui("objects", &objects))
        return false;
    for (size_t at = 0; at < objects.size();)
    {
        const size_t end = std::min(objects.find('\n', at), objects.size());
        const std::string line = objects.substr(at, end - at);
        const size_t space = line.find(' ');
        if (space != std::string::npos)
            sample[line.substr(0, space)] = std::atol(line.c_str() + space + 1);
        at = end + 1;
    }
    sample["fds"] = OpenDescriptors(wlan.pid());
    sample["rss_kb"] = StatusValue(wlan.pid(), "VmRSS");
    return sample.size() == 7;
}

void Print(double hours, const Sample& sample)
{
    std::string line;
    for (const auto& [name, value] : sample)
        line += " " + name + " " + std::to_string(value);
    std::printf("soak: %6.2f h%s\n", hours, line.c_str());
    std::fflush(stdout);
}

// The largest value of one count over samples [from, to).
long Largest(const std::vector<Sample>& samples, size_t from, size_t to, const std::string& name)
{
    long largest = 0;
    for (size_t i = from; i < to; ++i)
        largest = std::max(largest, samples[i].at(name));
    return largest;
}

testing::AssertionResult StaysFlat(const std::vector<Sample>& samples, const std::string& name)
{
    // The first sample is the warm-up's.
    const size_t third = (samples.size() - 1) / 3;
    const long first = Largest(samples, 1, 1 + third, name);
    const long last = Largest(samples, samples.size() - third, samples.size(), name);
    const long bound =
        name == "rss_kb" ? static_cast<long>(first * (1 + kMemorySlack)) : first + kObjectSlack;
    if (last <= bound)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << name << " grew from " << first << " to " << last << " (bound " << bound << ")";
}

class WlanSoak : public WlanE2E
{
protected:
    void SetUp() override
    {
        if (!std::getenv("QN40_TIME_SCALE"))
            setenv("QN40_TIME_SCALE", kDefaultScale, 1);
        ce::ReloadTimeScale();
        WlanE2E::SetUp();
    }
    void TearDown() override
    {
        unsetenv("QN40_TIME_SCALE");
        ce::ReloadTimeScale();
    }

    std::string Field(Wlan& wlan, int nId)
    {
        std::string text;
        wlan.Ui("text " + m_window + " " + std::to_string(nId), &text);
        return text.substr(0, text.find('\n'));
    }
    bool Connected(Wlan& wlan) { return Field(wlan, 1004).rfind("Connected: ", 0) == 0; }
    // Until the simulated clock shows `ms`.
    static void SleepUntil(int64_t ms)
    {
        const double scale = ce::TimeScale();
        for (int64_t now = sim::clock::NowMs(); now < ms; now = sim::clock::NowMs())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max<int64_t>(1, (ms - now) / scale)));
    }

    // One cycle: the link goes and comes back; the card is ejected and inserted, and the sheet opened
    // again on its Status page.
    void Cycle(Wlan& wlan, int64_t start)
    {
        ASSERT_TRUE(Tool("cardctl", "set link down"));
        EXPECT_TRUE(Eventually([&] { return Field(wlan, 1004) == "Disconnected. Scanning..."; }, kWaitMs))
            << Field(wlan, 1004);
        ASSERT_TRUE(Tool("cardctl", "set link up"));
        EXPECT_TRUE(Eventually([&] { return Connected(wlan); }, kWaitMs)) << Field(wlan, 1004);

        SleepUntil(start + kCycleMs / 2);
        ASSERT_TRUE(Tool("cardctl", "eject"));
        ASSERT_TRUE(Eventually([&] { return wlan.Icon() == 0; }, kWaitMs));
        ASSERT_TRUE(Tool("cardctl", "insert"));
        ASSERT_TRUE(Eventually([&] { return wlan.Icon() != 0; }, kWaitMs));
        wlan.Choose("32777");
        ASSERT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
        EXPECT_TRUE(Eventually([&] { return Connected(wlan); }, kWaitMs)) << Field(wlan, 1004);
    }

    std::string m_window;
};

TEST_F(WlanSoak, CountsStayFlatAndTheProgramExitsCleanly)
{
    const double hours = SoakHours();
    const int cycles = std::max(3 * 2 + 1, static_cast<int>(hours * 6 + 0.5));
    const auto wallStart = std::chrono::steady_clock::now();

    Wlan wlan;
    ASSERT_GT(wlan.pid(), 0);
    ASSERT_EQ(wlan.AnswerBoxes(3), kSheetBoxes);
    ASSERT_TRUE(Eventually([&] { return wlan.Icon() != 0; }, kWaitMs));
    m_window = wlan.Window();
    ASSERT_FALSE(m_window.empty());
    ASSERT_TRUE(Eventually([&] { return Connected(wlan); }, kWaitMs)) << Field(wlan, 1004);

    const int64_t origin = sim::clock::NowMs();
    std::vector<Sample> samples;
    for (int i = 0; i < cycles && !HasFatalFailure(); ++i)
    {
        const int64_t start = origin + i * kCycleMs;
        SleepUntil(start);
        Cycle(wlan, start);
        Sample sample;
        ASSERT_TRUE(Take(wlan, sample));
        Print(static_cast<double>(sim::clock::NowMs() - origin) / 3600000.0, sample);
        samples.push_back(sample);
    }
    SleepUntil(origin + cycles * kCycleMs);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("soak: %.2f simulated hours in %.0f s at scale %g, %d cycles\n",
                static_cast<double>(sim::clock::NowMs() - origin) / 3600000.0, wall, ce::TimeScale(), cycles);

    ASSERT_EQ(samples.size(), static_cast<size_t>(cycles));
    for (const char* name : {"handles", "keys", "windows", "timers", "gdi", "fds"})
        EXPECT_TRUE(StaysFlat(samples, name));
    if (kCheckMemory)
    {
        EXPECT_TRUE(StaysFlat(samples, "rss_kb"));
    }

    wlan.Choose("32776");
    int code = -1;
    EXPECT_TRUE(wlan.WaitExit(kWaitMs, &code));
    EXPECT_EQ(code, 0);
}

} // namespace
} // namespace wlan_e2e
