#include "commands.h"

#include <card/air.h>
#include <card/wlan_miniport.h>
#include <hostwifi/host_card.h>
#include <hostwifi/host_choice.h>
#include <ndis/adapters.h>
#include <sdslot/sd_slot.h>
#include <simcore/clock.h>
#include <simcore/faults.h>
#include <simcore/request_log.h>
#include <simcore/text.h>

#include <windows.h>

#include <kernel/registry.h>

#include <dbt.h>
#include <ntddndis.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>

namespace cardctl
{
namespace
{

const char kHelp[] = R"(cardctl: the simulated world of the handheld in $HANDHELD_DIR.

usage: cardctl COMMAND [ARGS]

  status                     the slot, the air, the card, faults, the log and the active drivers
  eeprom                     the card's EEPROM word for word (kept while the card is out), eight words
                             a line after the hex index of the first: "000: 0a00 405d ..."
  insert                     insert the card: Drivers\Active gets its entry (Name NDL1:), the miniport
                             starts from Comm\WLAN11b1\Parms and scans, DBT_DEVICEARRIVAL is broadcast
  eject                      remove the card: the entry goes, DBT_DEVICEREMOVECOMPLETE is broadcast;
                             requests to WLAN11b1 now end with NDIS_STATUS_ADAPTER_REMOVED
  plug PORT [KEY]            another port device ("COM5:") arrives, with its own Drivers\Active entry
                             (Key defaults to \Drivers\USB\ClientDrivers\PORT) and the same broadcast
  unplug PORT                that device leaves again
  set KEY VALUE              change the air or the simulator:
      link up|down|joined      the network is there / gone / lets the card join but not in
      ssid TEXT                the network's name (at most 32 bytes)
      bssid XX-XX-XX-XX-XX-XX  the network's BSSID
      channel 1..14            the network's channel
      rssi auto|DBM            signal in dBm (-100..-10); auto moves with the clock
      quality auto|PERCENT     link quality (0..100); auto follows the signal
      traffic BYTES            bytes received per second while connected (a third as much is sent)
      latency MS               every request stays pending MS ms, then completes (0: at once)
      seed N                   seed of the moving signal (same seed, same clock: same values)
      ip A.B.C.D               the card's IP address while connected
      scantime MS              how long the card scans before it is connected
      log on|off               the request log (see log)
  fault NAME [ARGS]          inject a fault (numbers hex where noted, else decimal or 0x-hex):
      version HEX              the driver reports this interface version
      init [STATUS]            initialising the driver answers this NDIS status (default C0000001)
      bind [ERROR]             binding a handle to an adapter fails with this error (default 31)
      ioctl CODE [ERROR]       control code CODE (hex) fails with this error (default 31)
      submit OID|any [STATUS]  submitting a request for OID (hex) gives this submission status
                               (default C0000001)
      pending OID|any forever|MS   requests for OID stay pending forever, or complete after MS ms
      status OID STATUS [query|set] requests for OID complete with this NDIS status
      answer OID HEXBYTES      queries of OID answer these bytes
      overreport OID BYTES     successful queries of OID on the card claim BYTES done (more than written)
      removed                  every request to the card ends with NDIS_STATUS_ADAPTER_REMOVED
      bbreg read|write INDEX [STATUS]    that baseband register access fails (default C0000001)
      macreg read|write ADDRESS [STATUS] that MAC register access fails
      eeprom read|write WORD [STATUS]    that EEPROM word access fails
      clear [NAME]             remove every fault, or those of one kind (e.g. "pending")
      list                     show the faults in force
  clock freeze|run|advance MS  stop the simulated clock, let it run, or move it (forward, or back
                             with a negative MS)
  adapter add NAME wired|wireless   another adapter that is always there (bound like the card)
  adapter remove NAME
  log on|off|show|clear      the request log of the drivers (<handheld>/simulator/requests.log)
  host [NAME|auto|off]       the card is the host's wireless interface NAME (auto: the first one), or
                             (off) the simulated card again; without a word, which it is now. While the
                             host's interface is the card, the slot follows it and status shows what
                             the host reports (compare with iw dev NAME link)
  --help                     this text

State lives in the registry (HKLM\Simulator), so a running program sees a change at its next request.
)";

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

int Usage(std::ostream& err, const std::string& text)
{
    err << "cardctl: " << text << "\nusage: cardctl COMMAND [ARGS] (cardctl --help lists the commands)\n";
    return 2;
}

std::optional<uint32_t> Hex(const std::string& text)
{
    return sim::ParseHex32(text);
}

std::optional<uint32_t> Number(const std::string& text)
{
    auto n = sim::ParseNumber(text);
    if (!n || *n < 0 || *n > 0xFFFFFFFF)
        return std::nullopt;
    return static_cast<uint32_t>(*n);
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string PhaseName(sim::LinkView::Phase phase)
{
    switch (phase)
    {
    case sim::LinkView::Phase::RadioOff:
        return "radio off";
    case sim::LinkView::Phase::Idle:
        return "disassociated";
    case sim::LinkView::Phase::Scanning:
        return "scanning";
    case sim::LinkView::Phase::Joined:
        return "joined, not connected";
    case sim::LinkView::Phase::Connected:
        return "connected";
    }
    return "?";
}

int Status(std::ostream& out)
{
    if (const auto host = hostwifi::ChosenInterface())
    {
        out << hostwifi::HostStatusText(*host);
        out << "active drivers:\n";
        for (const auto& e : sim::sdslot::ActiveEntries())
            out << "  " << sim::ToUtf8(e.subKey) << "  " << sim::ToUtf8(e.name) << "  " << sim::ToUtf8(e.key)
                << "\n";
        return 0;
    }
    const bool inserted = sim::sdslot::CardInserted();
    out << "slot: " << (inserted ? "card inserted (NDL1:)" : "empty") << "\n";
    out << "adapters:";
    for (const auto& a : sim::ndis::Adapters())
        out << " " << sim::ToUtf8(a.name) << "("
            << (a.kind == sim::ndis::AdapterKind::Card    ? "card"
                : a.kind == sim::ndis::AdapterKind::Wired ? "wired"
                                                          : "wireless")
            << ")";
    out << "\n";
    const sim::AirSettings air = sim::AirSettings::Load();
    const int64_t now = sim::clock::NowMs();
    const int rssi = air.RssiAt(now);
    out << "air: link " << sim::AirLinkName(air.link) << ", ssid " << Quoted(air.ssid) << ", bssid "
        << sim::FormatMac(air.bssid) << ", channel " << air.channel << "\n";
    out << "     rssi " << (air.rssi ? std::to_string(*air.rssi) : "auto (" + std::to_string(rssi) + " now)")
        << " dBm, quality "
        << (air.quality ? std::to_string(*air.quality)
                        : "auto (" + std::to_string(air.QualityAt(now, rssi)) + " now)")
        << "%, traffic " << air.traffic << " B/s, latency " << air.latency << " ms, seed " << air.seed
        << ", ip " << air.ip << ", scantime " << air.scanTime << " ms\n";
    out << "clock: " << (sim::clock::Frozen() ? "frozen" : "running") << " at " << now << " ms\n";
    if (inserted)
    {
        sim::WlanMiniport card(sim::CardIdentity());
        const sim::CardState s = card.State();
        const sim::LinkView link = sim::ComputeLink(s, air, now);
        const sim::TrafficCounters c = sim::CountersAt(s, air, now);
        out << "card: radio " << (s.radioOn ? "on" : "off") << ", "
            << (s.deviceMode == QN40_DEVICE_MODE_AP  ? "access point"
                : s.infrastructure == Ndis802_11IBSS ? "ad hoc"
                                                     : "infrastructure station")
            << ", " << PhaseName(link.phase);
        if (link.Associated())
            out << " to " << Quoted(link.ssid) << " " << sim::FormatMac(link.bssid) << " channel "
                << link.channel << ", " << link.rssi << " dBm, quality " << link.quality << "%";
        out << ", " << sim::LinkSpeedFor(s, link) / 10000.0 << " Mbps\n";
        out << "      mac " << sim::FormatMac(s.mac) << ", domain " << s.domain << ", ad hoc channel "
            << s.ibssChannel << ", power mode " << s.powerMode << ", desired ssid " << Quoted(s.desiredSsid)
            << "\n";
        out << "      tx " << c.txBytes << " bytes " << c.txFrames << " frames " << c.txErrors
            << " errors, rx " << c.rxBytes << " bytes " << c.rxFrames << " frames " << c.rxErrors
            << " errors\n";
    }
    const sim::Faults faults = sim::Faults::Load();
    out << "faults:" << (faults.empty() ? " none" : "") << "\n";
    for (const auto& [name, value] : faults.values())
        out << "  " << name << " = " << value << "\n";
    out << "log: " << (sim::requestlog::Enabled() ? "on" : "off") << " (" << sim::requestlog::Path().string()
        << ")\n";
    out << "active drivers:\n";
    for (const auto& e : sim::sdslot::ActiveEntries())
        out << "  " << sim::ToUtf8(e.subKey) << "  " << sim::ToUtf8(e.name) << "  " << sim::ToUtf8(e.key)
            << "\n";
    return 0;
}

int Eeprom(std::ostream& out)
{
    const std::vector<uint16_t> words = sim::WlanMiniport(sim::CardIdentity()).Eeprom();
    constexpr size_t kPerLine = 8;
    std::ostringstream text;
    text << std::hex << std::setfill('0');
    for (size_t i = 0; i < words.size(); ++i)
    {
        if (i % kPerLine == 0)
            text << std::setw(3) << i << ":";
        text << " " << std::setw(4) << words[i];
        if (i % kPerLine == kPerLine - 1 || i + 1 == words.size())
            text << "\n";
    }
    out << text.str();
    return 0;
}

int SlotResult(sim::sdslot::Change change, std::ostream& out, std::ostream& err, const std::string& done,
               const std::string& unchanged)
{
    switch (change)
    {
    case sim::sdslot::Change::Done:
        out << done << "\n";
        return 0;
    case sim::sdslot::Change::Unchanged:
        out << unchanged << "\n";
        return 0;
    case sim::sdslot::Change::Failed:
        break;
    }
    err << "cardctl: the change failed\n";
    return 1;
}

int Log(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return Usage(err, "log takes one of on, off, show, clear");
    const std::string what = Lower(args[0]);
    if (what == "on" || what == "off")
    {
        sim::requestlog::SetEnabled(what == "on");
        out << "request log " << what << "\n";
        return 0;
    }
    if (what == "clear")
    {
        sim::requestlog::Clear();
        return 0;
    }
    if (what == "show")
    {
        out << sim::requestlog::Text();
        return 0;
    }
    return Usage(err, "log takes one of on, off, show, clear");
}

int Set(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2)
        return Usage(err, "set takes a KEY and a VALUE");
    const std::string key = Lower(args[0]);
    if (key == "log")
        return Log({args[1]}, out, err);
    const bool reassociate = key == "link" || key == "ssid" || key == "bssid" || key == "channel";
    sim::WlanMiniport card(sim::CardIdentity());
    auto error = card.ChangeAir([&] { return sim::SetAirValue(key, args[1]); }, reassociate);
    if (error)
        return Usage(err, *error);
    out << key << " = " << args[1] << "\n";
    return 0;
}

int SetFault(std::ostream& out, std::ostream& err, const std::string& name, const std::string& value)
{
    if (sim::SetFault(name, value) != 0)
    {
        err << "cardctl: the registry refused the fault\n";
        return 1;
    }
    out << "fault " << name << " = " << value << "\n";
    return 0;
}

// One `cardctl fault KIND ...`: the words after "fault" and where to print.
struct FaultCall
{
    const Args& args; // args[0] is the kind
    std::ostream& out;
    std::ostream& err;

    size_t n() const { return args.size(); }
    std::string Arg(size_t i) const { return i < args.size() ? args[i] : std::string(); }
    // A hexadecimal argument, or `fallback` when it is left out.
    std::optional<uint32_t> HexArg(size_t i, uint32_t fallback) const
    {
        return i < args.size() ? Hex(args[i]) : std::optional<uint32_t>(fallback);
    }
    // The fault's value name for an OID in hexadecimal, or for any OID.
    std::optional<std::string> OidFault(const std::string& prefix, const std::string& text) const
    {
        if (Lower(text) == "any")
            return prefix + ".ANY";
        if (auto oid = Hex(text))
            return sim::FaultName(prefix, *oid);
        return std::nullopt;
    }
    int Set(const std::string& name, const std::string& value) const
    {
        return SetFault(out, err, name, value);
    }
    int Usage(const std::string& text) const { return cardctl::Usage(err, text); }
};

int FaultList(const FaultCall& f)
{
    if (f.n() != 1)
        return f.Usage("fault list takes no arguments");
    const sim::Faults faults = sim::Faults::Load();
    if (faults.empty())
        f.out << "no faults\n";
    for (const auto& [k, v] : faults.values())
        f.out << k << " = " << v << "\n";
    return 0;
}

int FaultClear(const FaultCall& f)
{
    if (f.n() > 2)
        return f.Usage("fault clear takes at most one NAME");
    if (f.n() == 1)
    {
        sim::ClearFaults();
        f.out << "faults cleared\n";
        return 0;
    }
    static const std::map<std::string, std::string> kinds = {
        {"version", "Version"},       {"init", "Init"},     {"bind", "Bind"},
        {"removed", "Removed"},       {"ioctl", "Ioctl"},   {"submit", "Submit"},
        {"pending", "Pending"},       {"status", "Status"}, {"answer", "Answer"},
        {"overreport", "Overreport"}, {"bbreg", "Bb"},      {"macreg", "Mac"},
        {"eeprom", "Eeprom"}};
    auto kind = kinds.find(Lower(f.args[1]));
    if (kind == kinds.end())
        return f.Usage("unknown fault '" + f.args[1] + "'");
    if (kind->second == "Bb" || kind->second == "Mac" || kind->second == "Eeprom")
    {
        sim::ClearFault(kind->second + "Read");
        sim::ClearFault(kind->second + "Write");
    }
    else
    {
        sim::ClearFault(kind->second);
    }
    f.out << "faults cleared\n";
    return 0;
}

int FaultVersion(const FaultCall& f)
{
    auto v = f.n() == 2 ? Hex(f.args[1]) : std::nullopt;
    if (!v)
        return f.Usage("fault version takes a hexadecimal version");
    return f.Set("Version", sim::Hex32(*v));
}

int FaultInit(const FaultCall& f)
{
    auto s = f.n() <= 2 ? f.HexArg(1, static_cast<uint32_t>(NDIS_STATUS_FAILURE)) : std::nullopt;
    if (!s)
        return f.Usage("fault init takes an optional hexadecimal NDIS status");
    return f.Set("Init", sim::Hex32(*s));
}

int FaultBind(const FaultCall& f)
{
    auto e = f.n() == 1   ? std::optional<uint32_t>(ERROR_GEN_FAILURE)
             : f.n() == 2 ? Number(f.args[1])
                          : std::nullopt;
    if (!e || *e == 0)
        return f.Usage("fault bind takes an optional non-zero Windows error");
    return f.Set("Bind", std::to_string(*e));
}

int FaultIoctl(const FaultCall& f)
{
    auto code = Hex(f.Arg(1));
    auto e = f.n() == 2   ? std::optional<uint32_t>(ERROR_GEN_FAILURE)
             : f.n() == 3 ? Number(f.args[2])
                          : std::nullopt;
    if (!code || !e || *e == 0)
        return f.Usage("fault ioctl takes a hexadecimal control code and an optional non-zero error");
    return f.Set(sim::FaultName("Ioctl", *code), std::to_string(*e));
}

int FaultSubmit(const FaultCall& f)
{
    auto fault = f.OidFault("Submit", f.Arg(1));
    auto s = f.n() <= 3 ? f.HexArg(2, static_cast<uint32_t>(NDIS_STATUS_FAILURE)) : std::nullopt;
    if (f.n() < 2 || !fault || !s)
        return f.Usage("fault submit takes an OID (hex) or any, and an optional hexadecimal status");
    return f.Set(*fault, sim::Hex32(*s));
}

int FaultPending(const FaultCall& f)
{
    auto fault = f.OidFault("Pending", f.Arg(1));
    const std::string when = Lower(f.Arg(2));
    auto ms = Number(when);
    if (f.n() != 3 || !fault || (when != "forever" && (!ms || *ms >= sim::kPendingForever)))
        return f.Usage("fault pending takes an OID (hex) or any, and forever or a time in ms");
    return f.Set(*fault, when == "forever" ? "forever" : std::to_string(*ms));
}

int FaultStatus(const FaultCall& f)
{
    const size_t n = f.n();
    auto fault = f.OidFault("Status", f.Arg(1));
    auto s = Hex(f.Arg(2));
    const std::string direction = Lower(f.Arg(3));
    if (n < 3 || n > 4 || !fault || fault->find(".ANY") != std::string::npos || !s ||
        (n == 4 && direction != "query" && direction != "set"))
        return f.Usage(
            "fault status takes an OID (hex), a hexadecimal NDIS status and optionally query or set");
    std::string full = *fault;
    if (n == 4)
        full += "." + std::string(direction == "query" ? "QUERY" : "SET");
    return f.Set(full, sim::Hex32(*s));
}

int FaultAnswer(const FaultCall& f)
{
    auto oid = Hex(f.Arg(1));
    auto bytes = sim::ParseHexBytes(f.Arg(2));
    if (f.n() != 3 || !oid || !bytes)
        return f.Usage("fault answer takes an OID (hex) and bytes in hex pairs");
    return f.Set(sim::FaultName("Answer", *oid), sim::HexBytes(*bytes));
}

int FaultOverreport(const FaultCall& f)
{
    auto oid = Hex(f.Arg(1));
    auto bytes = f.n() == 3 ? Number(f.args[2]) : std::nullopt;
    if (!oid || !bytes)
        return f.Usage("fault overreport takes an OID (hex) and a byte count");
    return f.Set(sim::FaultName("Overreport", *oid), std::to_string(*bytes));
}

int FaultRemoved(const FaultCall& f)
{
    if (f.n() != 1)
        return f.Usage("fault removed takes no arguments");
    return f.Set("Removed", "1");
}

// bbreg, macreg and eeprom: a read or write of one register or word fails.
int FaultAccess(const FaultCall& f)
{
    const std::string name = Lower(f.args[0]);
    const std::string direction = Lower(f.Arg(1));
    auto index = Number(f.Arg(2));
    auto s = f.n() <= 4 ? f.HexArg(3, static_cast<uint32_t>(NDIS_STATUS_FAILURE)) : std::nullopt;
    const sim::RegisterArea area = name == "bbreg"    ? sim::RegisterArea::Baseband
                                   : name == "macreg" ? sim::RegisterArea::Mac
                                                      : sim::RegisterArea::Eeprom;
    const uint32_t limit = name == "bbreg"    ? 255
                           : name == "macreg" ? sim::kMacRegisterBytes - 4
                                              : QN40_EEPROM_WORDS - 1;
    if (f.n() < 3 || (direction != "read" && direction != "write") || !index || *index > limit || !s ||
        (area == sim::RegisterArea::Mac && (*index & 3)))
        return f.Usage("fault " + name +
                       " takes read or write, an index in range and an optional hexadecimal status");
    return f.Set(sim::RegisterFaultName(area, direction == "write", *index), sim::Hex32(*s));
}

struct FaultKind
{
    std::string_view name;
    int (*set)(const FaultCall& call);
};
constexpr FaultKind kFaultKinds[] = {
    {"list", FaultList},
    {"clear", FaultClear},
    {"version", FaultVersion},
    {"init", FaultInit},
    {"bind", FaultBind},
    {"ioctl", FaultIoctl},
    {"submit", FaultSubmit},
    {"pending", FaultPending},
    {"status", FaultStatus},
    {"answer", FaultAnswer},
    {"overreport", FaultOverreport},
    {"removed", FaultRemoved},
    {"bbreg", FaultAccess},
    {"macreg", FaultAccess},
    {"eeprom", FaultAccess},
};

int Fault(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return Usage(err, "fault takes a NAME");
    const std::string name = Lower(args[0]);
    for (const FaultKind& kind : kFaultKinds)
        if (kind.name == name)
            return kind.set(FaultCall{args, out, err});
    return Usage(err, "unknown fault '" + args[0] + "'");
}

int Clock(const Args& args, std::ostream& out, std::ostream& err)
{
    const std::string what = args.empty() ? "" : Lower(args[0]);
    if (what == "freeze" && args.size() == 1)
        sim::clock::Freeze();
    else if (what == "run" && args.size() == 1)
        sim::clock::Run();
    else if (what == "advance" && args.size() == 2 && sim::ParseNumber(args[1]))
    {
        const LONG rc = sim::clock::Advance(*sim::ParseNumber(args[1]));
        if (rc == ERROR_INVALID_PARAMETER)
            return Usage(err, "clock advance " + args[1] + " would take the clock past " +
                                  std::to_string(sim::clock::kRangeMs) + " ms either side of 1970");
        if (rc != ERROR_SUCCESS)
        {
            err << "cardctl: the registry refused the change\n";
            return 1;
        }
    }
    else
        return Usage(err, "clock takes freeze, run, or advance MS");
    out << "clock " << (sim::clock::Frozen() ? "frozen" : "running") << " at " << sim::clock::NowMs()
        << " ms\n";
    return 0;
}

int Adapter(const Args& args, std::ostream& out, std::ostream& err)
{
    const std::string what = args.empty() ? "" : Lower(args[0]);
    if (what == "add" && args.size() == 3 && (Lower(args[2]) == "wired" || Lower(args[2]) == "wireless"))
    {
        auto error = sim::ndis::AddAdapter(sim::FromUtf8(args[1]), Lower(args[2]) == "wired"
                                                                       ? sim::ndis::AdapterKind::Wired
                                                                       : sim::ndis::AdapterKind::Wireless);
        if (error)
        {
            err << "cardctl: " << *error << "\n";
            return 1;
        }
        out << "adapter " << args[1] << " added\n";
        return 0;
    }
    if (what == "remove" && args.size() == 2)
    {
        if (!sim::ndis::RemoveAdapter(sim::FromUtf8(args[1])))
        {
            err << "cardctl: no adapter " << args[1] << "\n";
            return 1;
        }
        out << "adapter " << args[1] << " removed\n";
        return 0;
    }
    return Usage(err, "adapter takes add NAME wired|wireless, or remove NAME");
}

// The slot shows the card as the chosen card is: the host's interface while it exists, else the
// simulated card as it was left.
void SyncSlot()
{
    const auto host = hostwifi::ChosenInterface();
    sim::sdslot::SetCardEntry(host ? hostwifi::HostCardPresent(*host) : sim::sdslot::CardInserted());
}

int Host(const Args& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
    {
        const auto host = hostwifi::ChosenInterface();
        out << (host ? "the card is the host's interface " + *host
                     : std::string("the card is the simulated one"))
            << "\n";
        return 0;
    }
    if (args.size() != 1)
        return Usage(err, "host takes an interface name, auto or off");
    if (Lower(args[0]) == "off")
    {
        if (!hostwifi::ClearChoice())
        {
            err << "cardctl: the registry refused the change\n";
            return 1;
        }
        SyncSlot();
        out << "the card is the simulated one again\n";
        return 0;
    }
    const std::string name = Lower(args[0]) == hostwifi::kAutoInterface ? hostwifi::kAutoInterface : args[0];
    if (auto error = hostwifi::ChooseInterface(name))
        return Usage(err, *error);
    SyncSlot();
    const bool present = hostwifi::HostCardPresent(name);
    out << "the card is the host's interface " << name
        << (present ? "" : " (not there now: the slot is empty)") << "\n";
    out << "a running WLAN follows the interface coming and going from its next start\n";
    return 0;
}

bool RefusedInHostMode(std::ostream& err)
{
    const auto host = hostwifi::ChosenInterface();
    if (host)
        err << "cardctl: the slot follows the host's interface " << *host
            << "; cardctl host off brings the simulated card back\n";
    return host.has_value();
}

} // namespace

const char* HelpText()
{
    return kHelp;
}

int Run(const Args& all, std::ostream& out, std::ostream& err)
{
    if (all.empty())
        return Usage(err, "no command");
    const std::string command = Lower(all[0]);
    const Args args(all.begin() + 1, all.end());
    if (command == "--help" || command == "-h" || command == "help")
    {
        out << kHelp;
        return 0;
    }
    // Every command works on the registry: a damaged or unreachable one stops it before it begins.
    std::string problem;
    if (ce::OpenRegistry(problem) != ERROR_SUCCESS)
    {
        err << "cardctl: " << problem << "\n";
        return 1;
    }
    if (command == "status" && args.empty())
        return Status(out);
    if (command == "eeprom" && args.empty())
        return Eeprom(out);
    if ((command == "insert" || command == "eject") && args.empty() && RefusedInHostMode(err))
        return 1;
    if (command == "host")
        return Host(args, out, err);
    if (command == "insert" && args.empty())
        return SlotResult(sim::sdslot::InsertCard(), out, err, "card inserted", "the card is already in");
    if (command == "eject" && args.empty())
        return SlotResult(sim::sdslot::EjectCard(), out, err, "card ejected", "the slot is already empty");
    if (command == "plug" && (args.size() == 1 || args.size() == 2))
    {
        const std::u16string port = sim::FromUtf8(args[0]);
        if (!sim::sdslot::ValidPortName(port) || sim::EqualsNoCase(port, sim::sdslot::kCardPort))
            return Usage(err, "a port is named like COM5: (and NDL1: is the card's)");
        std::u16string key = args.size() == 2
                                 ? sim::FromUtf8(args[1])
                                 : u"\\Drivers\\USB\\ClientDrivers\\" + port.substr(0, port.size() - 1);
        return SlotResult(sim::sdslot::Plug(port, key), out, err, args[0] + " plugged",
                          args[0] + " is already there");
    }
    if (command == "unplug" && args.size() == 1)
    {
        const std::u16string port = sim::FromUtf8(args[0]);
        if (!sim::sdslot::ValidPortName(port) || sim::EqualsNoCase(port, sim::sdslot::kCardPort))
            return Usage(err, "a port is named like COM5: (use eject for the card)");
        return SlotResult(sim::sdslot::Unplug(port), out, err, args[0] + " unplugged",
                          "no device " + args[0]);
    }
    if (command == "set")
        return Set(args, out, err);
    if (command == "fault")
        return Fault(args, out, err);
    if (command == "clock")
        return Clock(args, out, err);
    if (command == "adapter")
        return Adapter(args, out, err);
    if (command == "log")
        return Log(args, out, err);
    return Usage(err, "unknown command or wrong arguments: " + all[0]);
}

} // namespace cardctl
