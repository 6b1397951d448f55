#pragma once

#include "platform/IIpHelper.h"

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

struct TFakeAdapter {
    uint32_t Index = 0;
    uint32_t Type = MIB_IF_TYPE_ETHERNET;
    std::string Description;
    std::string Name;
    std::array<uint8_t, 6> Mac = {};
    std::vector<std::string> Ips;
    std::vector<std::string> Gateways;
    std::vector<std::string> Dhcp;
};

// The table functions answered from plain lists, laid out in one buffer as the real tables are.
class TFakeIpHelper final : public IIpHelper {
public:
    std::vector<TFakeAdapter> Adapters;
    std::vector<std::string> DnsServers;
    MIB_IFROW Row{};
    std::map<uint32_t, MIB_IFROW> Rows; // rows of their own by index; every other index answers Row
    uint32_t IfEntryResult = NO_ERROR;
    uint32_t AdaptersResult = NO_ERROR; // answered instead of the list when not NO_ERROR
    uint32_t PerAdapterResult = NO_ERROR;
    bool AdapterGrowsAfterSizing = false; // another adapter appears between the two calls
    std::set<TIpHelperFunction> Missing;
    std::vector<TInterfaceView> Views;
    std::vector<TDefaultRoute> Routes;
    std::vector<std::string> Ipv6Dns;
    std::map<uint32_t, TWirelessLink> Links;
    int AdaptersCalls = 0;
    int IfEntryCalls = 0;

    bool IsAvailable(TIpHelperFunction function) override { return !Missing.count(function); }

    uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* info, uint32_t* size) override
    {
        ++AdaptersCalls;
        if (AdaptersResult != NO_ERROR) return AdaptersResult;
        if (Adapters.empty()) return ERROR_NO_DATA;
        std::size_t nodes = 0;
        for (const TFakeAdapter& a : Adapters)
            nodes += Extra(a.Ips) + Extra(a.Gateways) + Extra(a.Dhcp);
        const std::size_t needed = Adapters.size() * sizeof(IP_ADAPTER_INFO) + nodes * sizeof(IP_ADDR_STRING);
        if (!info || *size < needed) {
            *size = static_cast<uint32_t>(needed);
            if (AdapterGrowsAfterSizing) Adapters.push_back(Adapters.back());
            return ERROR_BUFFER_OVERFLOW;
        }
        auto* pool = reinterpret_cast<IP_ADDR_STRING*>(info + Adapters.size());
        for (std::size_t i = 0; i < Adapters.size(); ++i) {
            const TFakeAdapter& a = Adapters[i];
            IP_ADAPTER_INFO& t = info[i];
            t.Next = i + 1 < Adapters.size() ? &info[i + 1] : nullptr;
            std::strncpy(t.Description, a.Description.c_str(), sizeof t.Description - 1);
            std::strncpy(t.AdapterName, a.Name.c_str(), sizeof t.AdapterName - 1);
            std::memcpy(t.Address, a.Mac.data(), 6);
            t.AddressLength = 6;
            t.Index = a.Index;
            t.Type = a.Type;
            Fill(t.IpAddressList, a.Ips, pool);
            Fill(t.GatewayList, a.Gateways, pool);
            Fill(t.DhcpServer, a.Dhcp, pool);
        }
        return NO_ERROR;
    }

    uint32_t GetPerAdapterInfo(uint32_t, IP_PER_ADAPTER_INFO* info, uint32_t* size) override
    {
        if (PerAdapterResult != NO_ERROR) return PerAdapterResult;
        const std::size_t needed = sizeof(IP_PER_ADAPTER_INFO) + Extra(DnsServers) * sizeof(IP_ADDR_STRING);
        if (!info || *size < needed) {
            *size = static_cast<uint32_t>(needed);
            return ERROR_BUFFER_OVERFLOW;
        }
        auto* pool = reinterpret_cast<IP_ADDR_STRING*>(info + 1);
        Fill(info->DnsServerList, DnsServers, pool);
        return NO_ERROR;
    }

    uint32_t GetIfEntry(MIB_IFROW* row) override
    {
        ++IfEntryCalls;
        if (IfEntryResult != NO_ERROR) return IfEntryResult;
        const uint32_t index = row->dwIndex;
        const auto own = Rows.find(index);
        *row = own == Rows.end() ? Row : own->second;
        row->dwIndex = index;
        return NO_ERROR;
    }

    std::string SystemErrorText(uint32_t code) override { return "system text " + std::to_string(code); }

    std::vector<TInterfaceView> Interfaces() override { return Views; }
    std::vector<TDefaultRoute> DefaultRoutes() override { return Routes; }
    std::vector<std::string> Ipv6DnsServers() override { return Ipv6Dns; }
    std::optional<TWirelessLink> WirelessLink(uint32_t index) override
    {
        const auto link = Links.find(index);
        return link == Links.end() ? std::nullopt : std::optional(link->second);
    }

private:
    static std::size_t Extra(const std::vector<std::string>& list) { return list.size() > 1 ? list.size() - 1 : 0; }
    static void Fill(IP_ADDR_STRING& head, const std::vector<std::string>& list, IP_ADDR_STRING*& pool)
    {
        IP_ADDR_STRING* node = &head;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (i > 0) node = node->Next = pool++;
            std::strncpy(node->IpAddress.String, list[i].c_str(), sizeof node->IpAddress.String - 1);
        }
    }
};
