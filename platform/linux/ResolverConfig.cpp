#include "ResolverConfig.h"

#include "TextFiles.h"

#include <arpa/inet.h>
#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

constexpr const char* ResolvedStub = "127.0.0.53";

// Editors and network managers replace the file by renaming a new one over it, so the folder is watched,
// not the file's inode.
constexpr uint32_t FolderEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::string FolderOf(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

// The folders whose changes can change what the path reads: its own and, through a symlink, its target's.
std::vector<std::string> FoldersToWatch(const std::string& path)
{
    std::vector<std::string> folders{FolderOf(path)};
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    if (!error && FolderOf(target.string()) != folders.front()) folders.push_back(FolderOf(target.string()));
    return folders;
}

bool IsIPv6(std::string_view text)
{
    in6_addr address{};
    return inet_pton(AF_INET6, std::string(text.substr(0, text.find('%'))).c_str(), &address) == 1;
}

// Calls the handler with each server of the nameserver lines the resolver uses and whether it is IPv6.
template <typename Handler> void ForEachNameserver(const std::string& text, Handler handler)
{
    std::size_t used = 0;
    for (std::string_view line : TextFiles::Lines(text)) {
        if (used == TResolverConfig::MaxNameservers) break;
        line = TextFiles::Trim(line);
        constexpr std::string_view keyword = "nameserver";
        if (!line.starts_with(keyword) || line.size() == keyword.size()) continue;
        if (line[keyword.size()] != ' ' && line[keyword.size()] != '\t') continue;
        std::string_view address = TextFiles::Trim(line.substr(keyword.size()));
        address = address.substr(0, address.find_first_of(" \t#;"));
        if (TextFiles::IsIPv4(address)) {
            handler(address, false);
            ++used;
        } else if (IsIPv6(address)) {
            handler(address, true);
            ++used;
        }
    }
}

} // namespace

bool TResolverConfig::TFileStamp::operator==(const TFileStamp& other) const
{
    return Exists == other.Exists && Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

TResolverConfig::TResolverConfig(std::string resolvConf, std::string resolvedUpstream)
    : ResolvConfPath(std::move(resolvConf)), UpstreamPath(std::move(resolvedUpstream)),
      Watch(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    WatchFolders();
}

void TResolverConfig::WatchFolders()
{
    auto watch = [&](const std::string& path) {
        bool all = Watch.Valid();
        for (const std::string& folder : FoldersToWatch(path))
            if (all && inotify_add_watch(Watch.Get(), folder.c_str(), FolderEvents) < 0) all = false;
        return all;
    };
    ResolvWatched = watch(ResolvConfPath);
    UpstreamWatched = watch(UpstreamPath);
}

TResolverConfig::TFileStamp TResolverConfig::Stamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return {};
    return TFileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

const std::vector<std::string>& TResolverConfig::Servers()
{
    CheckForChanges();
    return KnownServers();
}

const std::vector<std::string>& TResolverConfig::KnownServers()
{
    if (Stale) Reload();
    return Cached;
}

const std::vector<std::string>& TResolverConfig::Ipv6Servers()
{
    CheckForChanges();
    return KnownIpv6Servers();
}

const std::vector<std::string>& TResolverConfig::KnownIpv6Servers()
{
    if (Stale) Reload();
    return CachedIpv6;
}

void TResolverConfig::CheckForChanges()
{
    if ((ResolvWatched || UpstreamWatched) && DrainWatch()) Stale = true;
    if (!Watched() && StampsChanged()) Stale = true;
}

// True when any event arrived. A watched folder that went away (or lost events) is watched afresh at the
// next reload, and until then the files are stat-ed.
bool TResolverConfig::DrainWatch()
{
    alignas(inotify_event) char events[4096];
    bool changed = false;
    for (;;) {
        const ssize_t got = read(Watch.Get(), events, sizeof events);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return changed;
        changed = true;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->mask & (IN_IGNORED | IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF))
                ResolvWatched = UpstreamWatched = false;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

bool TResolverConfig::StampsChanged()
{
    const TFileStamp resolv = Stamp(ResolvConfPath);
    const TFileStamp upstream = Stamp(UpstreamPath);
    const bool changed = !(resolv == ResolvStamp) || !(upstream == UpstreamStamp);
    ResolvStamp = resolv;
    UpstreamStamp = upstream;
    return changed;
}

void TResolverConfig::Reload()
{
    Stale = false;
    if (!ResolvWatched || !UpstreamWatched) {
        WatchFolders();
        StampsChanged(); // the stamps of what is read now, for looks while a folder is not watched
    }
    const std::string resolv = TextFiles::Read(ResolvConfPath).value_or("");
    Cached = ParseNameservers(resolv);
    CachedIpv6 = ParseIpv6Nameservers(resolv);
    UsesStub = std::find(Cached.begin(), Cached.end(), ResolvedStub) != Cached.end();
    if (!UsesStub) return;
    if (auto upstream = TextFiles::Read(UpstreamPath)) {
        std::vector<std::string> servers = ParseNameservers(*upstream);
        std::vector<std::string> ipv6 = ParseIpv6Nameservers(*upstream);
        // The upstream IPv6 list replaces resolv.conf's whenever the file names a server; without IPv4 servers
        // in it the stub stays the listed IPv4 server.
        if (!servers.empty() || !ipv6.empty()) CachedIpv6 = std::move(ipv6);
        if (!servers.empty()) Cached = std::move(servers);
    }
}

std::vector<std::string> TResolverConfig::ParseNameservers(const std::string& text)
{
    // IPv6 servers take one of the resolver's places, but the table keeps dotted IPv4 texts of at most 15
    // characters, so they are listed apart.
    std::vector<std::string> servers;
    ForEachNameserver(text, [&](std::string_view address, bool ipv6) {
        if (!ipv6) servers.emplace_back(address);
    });
    return servers;
}

std::vector<std::string> TResolverConfig::ParseIpv6Nameservers(const std::string& text)
{
    std::vector<std::string> servers;
    ForEachNameserver(text, [&](std::string_view address, bool ipv6) {
        if (ipv6) servers.emplace_back(address.substr(0, address.find('%')));
    });
    return servers;
}
