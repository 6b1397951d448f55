#pragma once

#include "FileDescriptor.h"

#include <string>
#include <sys/stat.h>
#include <vector>

// The DNS servers the system resolver uses, from resolv.conf. When that names only the local
// systemd-resolved stub, the stub's own upstream file gives the real servers. The files' folders are
// watched (inotify), so an unchanged configuration costs one read of the watch per look.
class TResolverConfig {
public:
    // The resolver uses only the first three nameserver lines (glibc's MAXNS).
    static constexpr std::size_t MaxNameservers = 3;

    TResolverConfig(std::string resolvConf, std::string resolvedUpstream);

    // IPv4 servers in file order, after looking for changes. Re-read only when one of the files changed.
    const std::vector<std::string>& Servers();
    // The same without looking for changes: for a caller that already called CheckForChanges.
    const std::vector<std::string>& KnownServers();
    // The IPv6 servers in file order, without their zones, after looking for changes.
    const std::vector<std::string>& Ipv6Servers();
    const std::vector<std::string>& KnownIpv6Servers();
    // Notes whether either file changed since the last look.
    void CheckForChanges();
    // Readable when the watched folders changed; -1 when they are not watched (then CheckForChanges stats).
    int Descriptor() const { return Watch.Get(); }
    // True while the descriptor tells of every change that matters: the upstream file's folder needs watching
    // only while resolv.conf names the local stub.
    bool Watched() const { return ResolvWatched && (!UsesStub || UpstreamWatched); }

    // The IPv4 servers among the nameserver lines the resolver uses.
    static std::vector<std::string> ParseNameservers(const std::string& text);
    // The IPv6 servers among them, without a "%zone" suffix.
    static std::vector<std::string> ParseIpv6Nameservers(const std::string& text);

private:
    struct TFileStamp {
        bool Exists = false;
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        timespec Modified{};
        bool operator==(const TFileStamp& other) const;
    };
    static TFileStamp Stamp(const std::string& path);
    void WatchFolders();
    bool DrainWatch();
    bool StampsChanged();
    void Reload();

    std::string ResolvConfPath;
    std::string UpstreamPath;
    TFileDescriptor Watch;
    // Whose folders are watched; a file whose folders are not is stat-ed at each look instead.
    bool ResolvWatched = false;
    bool UpstreamWatched = false;
    bool UsesStub = false;
    TFileStamp ResolvStamp;
    TFileStamp UpstreamStamp;
    bool Stale = true;
    std::vector<std::string> Cached;
    std::vector<std::string> CachedIpv6;
};
