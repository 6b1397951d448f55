#include "ResolverConfig.h"

#include "TextFiles.h"

#include <algorithm>

namespace {
constexpr const char* ResolvedStub = "127.0.0.53";
}

bool TResolverConfig::TFileStamp::operator==(const TFileStamp& other) const
{
    return Exists == other.Exists && Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

TResolverConfig::TResolverConfig(std::string resolvConf, std::string resolvedUpstream)
    : ResolvConfPath(std::move(resolvConf)), UpstreamPath(std::move(resolvedUpstream))
{
}

TResolverConfig::TFileStamp TResolverConfig::Stamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    return TFileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

const std::vector<std::string>& TResolverConfig::Servers()
{
    const TFileStamp resolv = Stamp(ResolvConfPath);
    const TFileStamp upstream = Stamp(UpstreamPath);
    if (!Loaded || !(resolv == ResolvStamp) || !(upstream == UpstreamStamp)) {
        ResolvStamp = resolv;
        UpstreamStamp = upstream;
        Reload();
    }
    return Cached;
}

void TResolverConfig::Reload()
{
    Loaded = true;
    Cached = ParseNameservers(TextFiles::Read(ResolvConfPath).value_or(""));
    if (std::find(Cached.begin(), Cached.end(), ResolvedStub) == Cached.end()) return;
    if (auto upstream = TextFiles::Read(UpstreamPath)) {
        std::vector<std::string> servers = ParseNameservers(*upstream);
        if (!servers.empty()) Cached = std::move(servers);
    }
}

std::vector<std::string> TResolverConfig::ParseNameservers(const std::string& text)
{
    std::vector<std::string> servers;
    for (std::string_view line : TextFiles::Lines(text)) {
        line = TextFiles::Trim(line);
        constexpr std::string_view keyword = "nameserver";
        if (!line.starts_with(keyword) || line.size() == keyword.size()) continue;
        if (line[keyword.size()] != ' ' && line[keyword.size()] != '\t') continue;
        std::string_view address = TextFiles::Trim(line.substr(keyword.size()));
        address = address.substr(0, address.find_first_of(" \t#;"));
        // The table keeps dotted IPv4 texts of at most 15 characters; IPv6 servers have no place there.
        if (TextFiles::IsIPv4(address)) servers.emplace_back(address);
    }
    return servers;
}
