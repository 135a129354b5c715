// The registry shared between processes: visibility, concurrent writers, a writer killed mid-stream, the
// one-time factory import.
#include "registry_test_util.h"

#include <kernel/handheld.h>

#include <fstream>

using regtest::Key;
using regtest::RunHelper;

namespace
{

std::vector<BYTE> Payload(unsigned index, std::size_t size)
{
    std::vector<BYTE> data(size);
    for (std::size_t j = 0; j < size; ++j)
        data[j] = static_cast<BYTE>(j < 4 ? (index >> (8 * j)) : (index * 31 + j));
    return data;
}

TEST(RegistryProcesses, ValuesCrossBetweenProcesses)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    Key parms = regtest::Create(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms");
    ASSERT_EQ(regtest::SetSz(parms.get(), u"Ssid", u"辦公室"), ERROR_SUCCESS);

    std::string out;
    ASSERT_EQ(RunHelper({"get", "HKLM\\Comm\\WLAN11b1\\Parms", "SSID"}, &out), 0);
    EXPECT_EQ(out, "辦公室\n");

    ASSERT_EQ(RunHelper({"set", "HKLM\\Comm\\WLAN11b1\\Parms", "RadioOn", "0"}), 0);
    EXPECT_EQ(regtest::Data(parms.get(), u"RadioOn"), regtest::Sz(u"0"));

    // A key deleted by another process: this process's handle reports it.
    ASSERT_EQ(RunHelper({"delete", "HKLM\\Comm\\WLAN11b1"}), 0);
    EXPECT_EQ(RegQueryValueExW(parms.get(), u"Ssid", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
}

TEST(RegistryProcesses, ConcurrentWritersLoseNothing)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    constexpr int kCount = 60;
    {
        regtest::Child a({"registry_test_helper", "burst", "HKCU\\Burst", "a", std::to_string(kCount)});
        regtest::Child b({"registry_test_helper", "burst", "HKCU\\Burst", "b", std::to_string(kCount)});
        // This process writes and reads at the same time.
        Key key = regtest::Create(HKEY_CURRENT_USER, u"Burst");
        for (int i = 0; i < kCount; ++i)
        {
            const std::u16string name = u"p" + regtest::Num(i);
            ASSERT_EQ(regtest::SetSz(key.get(), name, name), ERROR_SUCCESS);
        }
        EXPECT_EQ(a.Wait(), 0);
        EXPECT_EQ(b.Wait(), 0);
    }
    Key key = regtest::Open(HKEY_CURRENT_USER, u"Burst", KEY_READ);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 3u * kCount);
    for (const char16_t* prefix : {u"a", u"b", u"p"})
        for (int i = 0; i < kCount; ++i)
        {
            const std::u16string name = prefix + regtest::Num(i);
            EXPECT_EQ(regtest::Data(key.get(), name), regtest::Sz(name));
        }
}

TEST(RegistryProcesses, KilledWriterKeepsEveryAcknowledgedWrite)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    constexpr std::size_t kSize = 3000;
    constexpr unsigned kKillAfter = 40;
    std::vector<unsigned> acknowledged;
    {
        regtest::Child writer({"registry_test_helper", "stream", "HKCU\\Stream", std::to_string(kSize)});
        std::string line;
        while (acknowledged.size() < kKillAfter && writer.ReadLine(line))
            acknowledged.push_back(static_cast<unsigned>(std::stoul(line)));
        writer.Kill();
        // Indices the writer printed before it died are acknowledged too.
        while (writer.ReadLine(line))
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                acknowledged.push_back(static_cast<unsigned>(std::stoul(line)));
        EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
    }
    ASSERT_GE(acknowledged.size(), kKillAfter);

    Key key = regtest::Open(HKEY_CURRENT_USER, u"Stream", KEY_READ);
    for (unsigned i : acknowledged)
        EXPECT_EQ(regtest::Data(key.get(), u"v" + regtest::Num(static_cast<int>(i))), Payload(i, kSize))
            << "acknowledged write " << i;
    // Whatever else arrived is whole: v0..vN with no gap, each value complete.
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_GE(values, acknowledged.size());
    for (unsigned i = 0; i < values; ++i)
        EXPECT_EQ(regtest::Data(key.get(), u"v" + regtest::Num(static_cast<int>(i))), Payload(i, kSize))
            << "value " << i;
}

// A factory image big enough that processes starting together overlap while it is imported.
std::filesystem::path WriteFactory(const std::filesystem::path& dir)
{
    const auto file = dir / "factory.reg";
    std::ofstream out(file, std::ios::binary);
    out << "Windows Registry Editor Version "
           "5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Factory]\r\n\"Probe\"=\"factory\"\r\n";
    for (int i = 0; i < 400; ++i)
        out << "\r\n[HKEY_LOCAL_MACHINE\\Factory\\Key" << i << "]\r\n\"Value\"=dword:" << std::hex << i
            << std::dec << "\r\n";
    return file;
}

TEST(RegistryProcesses, FactoryImageIsImportedOnce)
{
    testing_support::TempHandheld handheld;
    const auto factory = WriteFactory(handheld.path());
    ::setenv("QN40_FACTORY_REGISTRY", factory.c_str(), 1);

    // Several processes meet a handheld without a registry at once. Each changes a factory value as soon
    // as it can; an import repeated after another process's change would put "factory" back.
    {
        std::vector<std::unique_ptr<regtest::Child>> children;
        for (int i = 0; i < 4; ++i)
            children.push_back(std::make_unique<regtest::Child>(std::vector<std::string>{
                "registry_test_helper", "set", "HKLM\\Factory", "Probe", "child" + std::to_string(i)}));
        for (auto& child : children)
            EXPECT_EQ(child->Wait(), 0);
    }
    Key key = regtest::Open(HKEY_LOCAL_MACHINE, u"Factory", KEY_READ);
    EXPECT_NE(regtest::Data(key.get(), u"Probe"), regtest::Sz(u"factory"));
    DWORD subKeys = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 400u);

    // Re-opening the registry later does not import again either.
    {
        Key writable = regtest::Create(HKEY_LOCAL_MACHINE, u"Factory");
        ASSERT_EQ(regtest::SetSz(writable.get(), u"Probe", u"mine"), ERROR_SUCCESS);
    }
    ce::ResetHandheld();
    Key again = regtest::Open(HKEY_LOCAL_MACHINE, u"Factory", KEY_READ);
    EXPECT_EQ(regtest::Data(again.get(), u"Probe"), regtest::Sz(u"mine"));

    ::unsetenv("QN40_FACTORY_REGISTRY");
}

TEST(RegistryProcesses, BrokenFactoryImageCreatesNoRegistry)
{
    testing_support::TempHandheld handheld;
    const auto factory = handheld.path() / "factory.reg";
    {
        std::ofstream out(factory, std::ios::binary);
        out << "Windows Registry Editor Version "
               "5.00\r\n[HKLM\\Good]\r\n\"v\"=dword:1\r\n\"w\"=dword:123456789\r\n";
    }
    ::setenv("QN40_FACTORY_REGISTRY", factory.c_str(), 1);
    HKEY out = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x77));
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Good", 0, KEY_READ, &out), ERROR_BADDB);

    // Repaired, the image is imported on the next call.
    {
        std::ofstream fixed(factory, std::ios::binary | std::ios::trunc);
        fixed << "Windows Registry Editor Version 5.00\r\n[HKLM\\Good]\r\n\"v\"=dword:1\r\n";
    }
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Good", 0, KEY_READ, &out), ERROR_SUCCESS);
    RegCloseKey(out);
    ::unsetenv("QN40_FACTORY_REGISTRY");
}

} // namespace
