#include <simcore/reg_key.h>
#include <simcore/request_log.h>
#include <simcore/text.h>

#include <kernel/handheld.h>
#include <kernel/host_files.h>

#include <fcntl.h>
#include <sstream>

namespace sim::requestlog
{
namespace
{
constexpr std::u16string_view kLogKey = u"Simulator\\Log";
constexpr size_t kMaxLog = 256u << 20;
} // namespace

bool Enabled()
{
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kLogKey, KEY_READ);
    return key.valid() && key.GetNumber(u"Enabled").value_or(0) != 0;
}

void SetEnabled(bool on)
{
    RegKey::Create(HKEY_LOCAL_MACHINE, kLogKey).SetDword(u"Enabled", on ? 1 : 0);
}

std::filesystem::path Path()
{
    return ce::HandheldDir() / "simulator" / "requests.log";
}

void Clear()
{
    std::error_code ec;
    std::filesystem::remove(Path(), ec);
}

void Append(const std::string& kind, const std::vector<std::pair<std::string, std::string>>& fields)
{
    if (!Enabled())
        return;
    std::string line = kind + " pid=" + std::to_string(::getpid());
    for (const auto& [name, value] : fields)
        line += " " + name + "=" + value;
    line += "\n";
    const auto path = Path();
    if (ce::MakeHandheldFolder(path.parent_path()) != 0)
        return;
    // One write per line on a descriptor opened for appending: lines of several processes never mix.
    ce::UniqueFd fd = ce::OpenHandheldFile(path, O_WRONLY | O_CREAT | O_APPEND);
    if (fd)
        ce::WriteAll(fd.get(), line);
}

std::string Text()
{
    ce::UniqueFd fd = ce::OpenHandheldFile(Path(), O_RDONLY);
    std::optional<std::string> text = fd ? ce::ReadAll(fd.get(), kMaxLog) : std::nullopt;
    return text.value_or(std::string());
}

std::optional<std::string> Entry::Field(const std::string& name) const
{
    auto it = fields.find(name);
    if (it == fields.end())
        return std::nullopt;
    return it->second;
}

std::optional<uint32_t> Entry::Number(const std::string& name) const
{
    auto text = Field(name);
    if (!text)
        return std::nullopt;
    return ParseHex32(*text);
}

std::optional<std::vector<uint8_t>> Entry::Bytes(const std::string& name) const
{
    auto text = Field(name);
    if (!text)
        return std::nullopt;
    return ParseHexBytes(*text);
}

std::vector<Entry> Read()
{
    std::vector<Entry> entries;
    std::istringstream in(Text());
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        Entry entry;
        if (!(words >> entry.kind))
            continue;
        std::string word;
        while (words >> word)
        {
            auto eq = word.find('=');
            if (eq == std::string::npos)
                continue;
            entry.fields[word.substr(0, eq)] = word.substr(eq + 1);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace sim::requestlog
