// The simulator's request log: one line per call that reached a simulated driver, with the bytes it was
// given, so that tests of the client side can check byte for byte what crossed the driver boundary. Off by
// default; `cardctl log on` (HKLM\Simulator\Log, Enabled = 1) turns it on for every process.
//
// File: <handheld>/simulator/requests.log. Each line is a kind followed by key=value fields, values without
// blanks (numbers in hexadecimal without 0x, bytes as hexadecimal pairs):
//   ioctl    device=PCA4: open=N code=80002014 in=18 out=0 input=5700... ok=1 error=0
//   submit   open=N record=<152 bytes> type=0 oid=FFA0C006 length=4 data=<set data> submit=00000103
//   complete open=N oid=FFA0C006 type=0 ndis=00000000 done=4 needed=0 answer=<bytes written>
//   rebind   adapter=WLAN11b1 input=<bytes> ok=1 error=0
// Every line also carries pid=<decimal>.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim::requestlog
{

bool Enabled();
void SetEnabled(bool on);
std::filesystem::path Path();
void Clear();

// Appends one line ("kind key=value ...") when the log is on; the pid field is added here.
void Append(const std::string& kind, const std::vector<std::pair<std::string, std::string>>& fields);

struct Entry
{
    std::string kind;
    std::map<std::string, std::string> fields;

    std::optional<std::string> Field(const std::string& name) const;
    // A field of hexadecimal digits read as a number, or as bytes.
    std::optional<uint32_t> Number(const std::string& name) const;
    std::optional<std::vector<uint8_t>> Bytes(const std::string& name) const;
};

// The log as written (empty when there is none), and its lines as entries.
std::string Text();
std::vector<Entry> Read();

} // namespace sim::requestlog
