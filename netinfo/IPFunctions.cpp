#include "IPFunctions.h"

#include <cstdio>
#include <cstring>

namespace {

const char* FunctionName(TIpHelperFunction function)
{
    switch (function) {
    case TIpHelperFunction::GetAdaptersInfo: return "GetAdaptersInfo";
    case TIpHelperFunction::GetPerAdapterInfo: return "GetPerAdapterInfo";
    case TIpHelperFunction::GetIfEntry: return "GetIfEntry";
    }
    return "";
}

std::string Format(const char* pattern, const std::string& functionName)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, functionName.c_str());
    return text;
}

void RequireAvailable(IIpHelper& ipHelper, TIpHelperFunction function)
{
    if (!ipHelper.IsAvailable(function))
        throw EIpHlpError(Format("Function %s is not implemented.", FunctionName(function)));
}

template <std::size_t N> std::string FixedText(const char (&field)[N]) { return std::string(field, strnlen(field, N)); }

// Sizing call first, then one call with a buffer of the size it asked for; no second retry.
template <typename Call> TIpHelperBuffer QueryWithSizeRetry(IIpHelper& ipHelper, TIpHelperFunction function, Call call)
{
    TIpHelperBuffer buffer;
    RequireAvailable(ipHelper, function);
    uint32_t size = 0;
    uint32_t result = call(nullptr, &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        buffer.Data = std::make_unique<std::byte[]>(size); // value-initialised: zero bytes
        buffer.Size = size;
        result = call(buffer.Data.get(), &size);
    }
    if (result != NO_ERROR) IPFunctions::RaiseIpHlpError(ipHelper, FunctionName(function), result);
    return buffer;
}

std::vector<std::string> CopyList(const IP_ADDR_STRING& head)
{
    std::vector<std::string> entries;
    for (const IP_ADDR_STRING* element = &head; element; element = element->Next) {
        // Every address counts (a server may carry dozens); only a list that loops back on itself is refused.
        if (entries.size() == AdapterSnapshot::MaxEntries) throw ERangeError();
        entries.push_back(FixedText(element->IpAddress.String));
    }
    return entries;
}

} // namespace

std::string Entry(const std::vector<std::string>& list, std::size_t n)
{
    return n >= 1 && n <= list.size() ? list[n - 1] : std::string();
}

namespace IPFunctions {

void RaiseIpHlpError(IIpHelper& ipHelper, const std::string& functionName, uint32_t resultCode)
{
    switch (resultCode) {
    case ERROR_NOT_SUPPORTED:
        throw EIpHlpError(Format("Function %s is not supported by the operating system.", functionName));
    case ERROR_INVALID_PARAMETER: throw EIpHlpError(Format("Function %s. Invalid parameter", functionName));
    case ERROR_NO_DATA:
        throw EIpHlpError(Format("Function %s. No adapter information exists for the local computer.", functionName));
    default: throw EOSError(static_cast<int>(resultCode), ipHelper.SystemErrorText(resultCode));
    }
}

TIpHelperBuffer QueryAdaptersInfo(IIpHelper& ipHelper)
{
    return QueryWithSizeRetry(ipHelper, TIpHelperFunction::GetAdaptersInfo, [&](std::byte* data, uint32_t* size) {
        return ipHelper.GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(data), size);
    });
}

TIpHelperBuffer QueryPerAdapterInfo(IIpHelper& ipHelper, uint32_t adapterIndex)
{
    return QueryWithSizeRetry(ipHelper, TIpHelperFunction::GetPerAdapterInfo, [&](std::byte* data, uint32_t* size) {
        return ipHelper.GetPerAdapterInfo(adapterIndex, reinterpret_cast<IP_PER_ADAPTER_INFO*>(data), size);
    });
}

void QueryIfEntry(IIpHelper& ipHelper, MIB_IFROW& row)
{
    RequireAvailable(ipHelper, TIpHelperFunction::GetIfEntry);
    const uint32_t result = ipHelper.GetIfEntry(&row);
    if (result != NO_ERROR) RaiseIpHlpError(ipHelper, "GetIfEntry", result);
}

std::string MacText(const uint8_t* address)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", address[0], address[1], address[2], address[3],
                  address[4], address[5]);
    return text;
}

AdapterSnapshot ScanAdapters(IIpHelper& ipHelper)
{
    AdapterSnapshot snapshot;
    const TIpHelperBuffer adapters = QueryAdaptersInfo(ipHelper);
    const IP_ADAPTER_INFO* chosen = nullptr;
    for (const IP_ADAPTER_INFO* adapter = adapters.As<IP_ADAPTER_INFO>(); adapter; adapter = adapter->Next) {
        snapshot.Index = adapter->Index;
        if (adapter->Type == MIB_IF_TYPE_ETHERNET) {
            chosen = adapter;
            break;
        }
    }
    return chosen ? CopyAdapter(ipHelper, *chosen) : snapshot;
}

AdapterSnapshot CopyAdapter(IIpHelper& ipHelper, const IP_ADAPTER_INFO& adapter)
{
    AdapterSnapshot snapshot;
    snapshot.Index = adapter.Index;
    snapshot.Description = FixedText(adapter.Description);
    snapshot.AdapterName = FixedText(adapter.AdapterName);
    snapshot.MacText = MacText(adapter.Address);
    snapshot.ClientIps = CopyList(adapter.IpAddressList);
    snapshot.Gateways = CopyList(adapter.GatewayList);
    snapshot.DhcpServers = CopyList(adapter.DhcpServer);

    const TIpHelperBuffer perAdapter = QueryPerAdapterInfo(ipHelper, adapter.Index);
    if (const auto* info = perAdapter.As<IP_PER_ADAPTER_INFO>()) snapshot.DnsServers = CopyList(info->DnsServerList);
    return snapshot;
}

InterfaceSample QueryInterface(IIpHelper& ipHelper, uint32_t index)
{
    MIB_IFROW row{};
    row.dwIndex = index;
    QueryIfEntry(ipHelper, row);
    return InterfaceSample{row.dwType, row.dwOperStatus, row.dwSpeed, row.dwInOctets, row.dwOutOctets};
}

} // namespace IPFunctions
