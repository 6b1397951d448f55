#pragma once

#include "platform/Exceptions.h"
#include "platform/IIpHelper.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A failure of the adapter and interface tables that is not a plain operating-system error.
class EIpHlpError : public Exception {
public:
    using Exception::Exception;
};

// What the poll cycle needs of the watched adapter, copied out of the platform's records each tick.
struct AdapterSnapshot {
    // More entries than any real adapter has: a longer list is a loop in the platform's records.
    static constexpr std::size_t MaxEntries = 65536;

    uint32_t Index = 0;
    std::string Description;
    std::string AdapterName;
    std::string MacText;
    std::vector<std::string> ClientIps;
    std::vector<std::string> Gateways;
    std::vector<std::string> DhcpServers;
    std::vector<std::string> DnsServers;
};

// Entry n (from 1) of an address list; the empty text when the list is shorter.
std::string Entry(const std::vector<std::string>& list, std::size_t n);

// One interface row. Counters and speed are 64-bit on this platform.
struct InterfaceSample {
    uint32_t Type = 0;
    uint32_t OperStatus = 0;
    uint64_t Speed = 0;
    uint64_t InOctets = 0;
    uint64_t OutOctets = 0;
};

// A zero-filled buffer that a table function filled; released when the owner goes, on every path.
struct TIpHelperBuffer {
    std::unique_ptr<std::byte[]> Data;
    uint32_t Size = 0;

    template <typename T> T* As() const { return reinterpret_cast<T*>(Data.get()); }
};

namespace IPFunctions {

[[noreturn]] void RaiseIpHlpError(IIpHelper& ipHelper, const std::string& functionName, uint32_t resultCode);

TIpHelperBuffer QueryAdaptersInfo(IIpHelper& ipHelper);
TIpHelperBuffer QueryPerAdapterInfo(IIpHelper& ipHelper, uint32_t adapterIndex);
void QueryIfEntry(IIpHelper& ipHelper, MIB_IFROW& row);

// Picks the first Ethernet adapter; any failure of the queries leaves as an exception.
AdapterSnapshot ScanAdapters(IIpHelper& ipHelper);
// One adapter's record copied out of the table, with its DNS servers asked for.
AdapterSnapshot CopyAdapter(IIpHelper& ipHelper, const IP_ADAPTER_INFO& adapter);
InterfaceSample QueryInterface(IIpHelper& ipHelper, uint32_t index);

std::string MacText(const uint8_t* address);

} // namespace IPFunctions
