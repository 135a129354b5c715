// Runs a fuzz target without libFuzzer, as a regression guard in the normal test run: every file of the
// seed corpus, then a fixed sequence of mutations of the seeds drawn from a PRNG with a fixed seed (byte
// flips, truncations, insertions, duplicated chunks, length fields set to 0, 1 or their maximum). The same
// build always runs the same inputs. When an input breaks an invariant or a sanitizer stops the program,
// the input is written to standard error in hex and to fuzz-crash-<target> in the working folder, so it can
// be added to the corpus or given to the libFuzzer build.
//
//   fuzz_<name> CORPUS_DIR [MUTATIONS] [MAX_SECONDS]
//   fuzz_<name> FILE...                   runs just these inputs
#include <algorithm>
#include <csignal>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace fs = std::filesystem;

namespace
{

const std::vector<uint8_t>* g_current = nullptr;
std::string g_label;
std::string g_target;

void ReportCurrent()
{
    if (!g_current)
        return;
    std::fprintf(stderr, "\n%s: failing input (%s), %zu bytes:\n", g_target.c_str(), g_label.c_str(),
                 g_current->size());
    for (size_t i = 0; i < g_current->size(); ++i)
        std::fprintf(stderr, "%02x%s", (*g_current)[i], (i % 32 == 31) ? "\n" : "");
    std::fprintf(stderr, "\n");
    std::ofstream out("fuzz-crash-" + g_target, std::ios::binary);
    out.write(reinterpret_cast<const char*>(g_current->data()),
              static_cast<std::streamsize>(g_current->size()));
}

extern "C" void OnAbort(int)
{
    ReportCurrent();
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

void Run(const std::vector<uint8_t>& input, const std::string& label)
{
    // A copy of exactly the input's size, so that reading one byte past it is caught.
    std::vector<uint8_t> copy(input);
    g_current = &input;
    g_label = label;
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
    g_current = nullptr;
}

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Mutator
{
public:
    explicit Mutator(uint32_t seed) : m_rng(seed) {}

    size_t Below(size_t n) { return n ? static_cast<size_t>(m_rng() % n) : 0; }

    std::vector<uint8_t> Mutate(std::vector<uint8_t> s, const std::vector<std::vector<uint8_t>>& seeds)
    {
        const int rounds = 1 + static_cast<int>(Below(3));
        for (int i = 0; i < rounds; ++i)
            MutateOnce(s, seeds);
        return s;
    }

private:
    void PutLe(std::vector<uint8_t>& s, size_t at, uint64_t value, size_t width)
    {
        for (size_t i = 0; i < width && at + i < s.size(); ++i)
            s[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }

    void MutateOnce(std::vector<uint8_t>& s, const std::vector<std::vector<uint8_t>>& seeds)
    {
        static const uint8_t kInteresting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE, '\\', '"',
                                               '\n', '\r', '[',  ']',  ',',  ':',  '0',  0x0F};
        switch (Below(9))
        {
        case 0: // flip a bit
            if (!s.empty())
                s[Below(s.size())] ^= static_cast<uint8_t>(1u << Below(8));
            break;
        case 1: // an interesting byte
            if (!s.empty())
                s[Below(s.size())] = kInteresting[Below(sizeof(kInteresting))];
            break;
        case 2: // truncate
            s.resize(Below(s.size() + 1));
            break;
        case 3: // insert bytes
        {
            const size_t at = Below(s.size() + 1);
            const size_t n = 1 + Below(8);
            std::vector<uint8_t> bytes(n);
            for (auto& b : bytes)
                b = Below(2) ? kInteresting[Below(sizeof(kInteresting))] : static_cast<uint8_t>(m_rng());
            s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
            break;
        }
        case 4: // duplicate a chunk
            if (!s.empty() && s.size() < 64 * 1024)
            {
                const size_t from = Below(s.size());
                const size_t n = 1 + Below(std::min<size_t>(s.size() - from, 64));
                const size_t at = Below(s.size() + 1);
                std::vector<uint8_t> chunk(s.begin() + static_cast<std::ptrdiff_t>(from),
                                           s.begin() + static_cast<std::ptrdiff_t>(from + n));
                s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
            }
            break;
        case 5: // a 16- or 32-bit length field set to 0, 1 or its maximum, at an aligned offset
            if (s.size() >= 2)
            {
                const size_t width = s.size() >= 4 && Below(2) ? 4 : 2;
                const size_t at = Below((s.size() - width) / 2 + 1) * 2;
                static const uint64_t kValues[] = {0, 1, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x8000u, 0xFFFFu, 2, 3};
                uint64_t v = kValues[Below(std::size(kValues))];
                if (Below(4) == 0)
                    v = s.size() + Below(3) - 1; // about the input's own length
                PutLe(s, at, v, width);
            }
            break;
        case 6: // erase a range
            if (!s.empty())
            {
                const size_t from = Below(s.size());
                s.erase(s.begin() + static_cast<std::ptrdiff_t>(from),
                        s.begin() + static_cast<std::ptrdiff_t>(
                                        from + 1 + Below(std::min<size_t>(s.size() - from, 16))));
            }
            break;
        case 7: // splice with another seed
        {
            const auto& other = seeds[Below(seeds.size())];
            const size_t keep = Below(s.size() + 1);
            const size_t from = Below(other.size() + 1);
            s.resize(keep);
            s.insert(s.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            break;
        }
        default: // a random byte
            if (!s.empty())
                s[Below(s.size())] = static_cast<uint8_t>(m_rng());
            break;
        }
    }

    std::mt19937 m_rng;
};

} // namespace

int main(int argc, char** argv)
{
    g_target = fs::path(argv[0]).filename().string();
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(ReportCurrent);
    std::signal(SIGABRT, OnAbort);
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [MUTATIONS] [MAX_SECONDS] | FILE...\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

    if (!fs::is_directory(argv[1]))
    {
        for (int i = 1; i < argc; ++i)
            Run(ReadFile(argv[i]), argv[i]);
        std::printf("%s: %d inputs passed\n", g_target.c_str(), argc - 1);
        return 0;
    }

    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(argv[1]))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    if (files.empty())
    {
        std::fprintf(stderr, "%s: no seeds in %s\n", g_target.c_str(), argv[1]);
        return 1;
    }
    const long mutations = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 1000;
    const double maxSeconds = argc > 3 ? std::strtod(argv[3], nullptr) : 0;

    std::vector<std::vector<uint8_t>> seeds;
    size_t runs = 0;
    for (const auto& f : files)
    {
        seeds.push_back(ReadFile(f));
        Run(seeds.back(), f.filename().string());
        ++runs;
    }
    // Every truncation of the short seeds: the inputs that end in the middle of a field.
    for (size_t i = 0; i < seeds.size(); ++i)
        if (seeds[i].size() <= 200)
            for (size_t n = 0; n < seeds[i].size(); ++n)
            {
                Run(std::vector<uint8_t>(seeds[i].begin(), seeds[i].begin() + static_cast<std::ptrdiff_t>(n)),
                    files[i].filename().string() + " cut at " + std::to_string(n));
                ++runs;
            }

    Mutator mutator(0x51A40u);
    long done = 0;
    for (; done < mutations; ++done)
    {
        if (maxSeconds > 0 && elapsed() > maxSeconds)
            break;
        const size_t which = mutator.Below(seeds.size());
        Run(mutator.Mutate(seeds[which], seeds),
            files[which].filename().string() + " mutation " + std::to_string(done));
        ++runs;
    }
    std::printf("%s: %zu seeds, %zu inputs (%ld of %ld mutations) in %.2f s\n", g_target.c_str(),
                seeds.size(), runs, done, mutations, elapsed());
    return 0;
}
