#pragma once

#include <string>
#include <sys/stat.h>
#include <vector>

// The DNS servers the system resolver uses, from resolv.conf. When that names only the local
// systemd-resolved stub, the stub's own upstream file gives the real servers.
class TResolverConfig {
public:
    TResolverConfig(std::string resolvConf, std::string resolvedUpstream);

    // IPv4 servers in file order. Re-read only when one of the files changed since the last call.
    const std::vector<std::string>& Servers();

    static std::vector<std::string> ParseNameservers(const std::string& text);

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
    void Reload();

    std::string ResolvConfPath;
    std::string UpstreamPath;
    TFileStamp ResolvStamp;
    TFileStamp UpstreamStamp;
    bool Loaded = false;
    std::vector<std::string> Cached;
};
