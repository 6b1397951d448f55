// One tick's adapter query on the real backend, beside the cheapest raw reads of the same kernel data.
#include "netinfo/IPFunctions.h"
#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/Netlink.h"
#include "platform/linux/TextFiles.h"

#include <benchmark/benchmark.h>

#include <linux/if_link.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace {

void BM_ScanAdaptersAndQueryInterface(benchmark::State& state)
{
    TLinuxIpHelper helper;
    for (auto _ : state) {
        const AdapterSnapshot snapshot = IPFunctions::ScanAdapters(helper);
        benchmark::DoNotOptimize(IPFunctions::QueryInterface(helper, snapshot.Index));
    }
}
BENCHMARK(BM_ScanAdaptersAndQueryInterface);

uint32_t FirstEthernetIndex()
{
    TLinuxIpHelper helper;
    return IPFunctions::ScanAdapters(helper).Index;
}

void BM_RawLinkRequest(benchmark::State& state)
{
    TNetlinkSocket netlink;
    ifinfomsg request{};
    request.ifi_index = static_cast<int>(FirstEthernetIndex());
    for (auto _ : state) {
        int messages = 0;
        netlink.Request(RTM_GETLINK, 0, &request, sizeof request, [&](const nlmsghdr&) { ++messages; });
        benchmark::DoNotOptimize(messages);
    }
}
BENCHMARK(BM_RawLinkRequest);

// The statistics request the interface query uses for the counters: the same counters, no link description.
void BM_RawStatsRequest(benchmark::State& state)
{
    TNetlinkSocket netlink;
    if_stats_msg request{};
    request.ifindex = FirstEthernetIndex();
    request.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    for (auto _ : state) {
        int messages = 0;
        netlink.Request(RTM_GETSTATS, 0, &request, sizeof request, [&](const nlmsghdr&) { ++messages; });
        benchmark::DoNotOptimize(messages);
    }
}
BENCHMARK(BM_RawStatsRequest);

// Links, IPv4 addresses, IPv4 routes and the resolver file: everything the tick needs, read once, raw.
void BM_RawLinksAddressesRoutesResolver(benchmark::State& state)
{
    TNetlinkSocket netlink;
    for (auto _ : state) {
        int messages = 0;
        auto count = [&](const nlmsghdr&) { ++messages; };
        ifinfomsg link{};
        netlink.Request(RTM_GETLINK, NLM_F_DUMP, &link, sizeof link, count);
        ifaddrmsg address{};
        address.ifa_family = AF_INET;
        netlink.Request(RTM_GETADDR, NLM_F_DUMP, &address, sizeof address, count);
        rtmsg route{};
        route.rtm_family = AF_INET;
        netlink.Request(RTM_GETROUTE, NLM_F_DUMP, &route, sizeof route, count);
        benchmark::DoNotOptimize(TextFiles::Read("/etc/resolv.conf"));
        benchmark::DoNotOptimize(messages);
    }
}
BENCHMARK(BM_RawLinksAddressesRoutesResolver);

} // namespace
