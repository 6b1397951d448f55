#include "DhcpLeases.h"

#include "TextFiles.h"

#include <dirent.h>

#include <memory>

namespace {

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
    if (!directory) return names;
    while (const dirent* entry = readdir(directory.get())) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    return names;
}

std::string FromFile(const std::string& path, const std::string& interfaceName)
{
    const auto text = TextFiles::Read(path);
    if (!text) return {};
    std::string server = DhcpLeases::ServerFromKeyValueLease(*text);
    return server.empty() ? DhcpLeases::ServerFromDhclientLeases(*text, interfaceName) : server;
}

} // namespace

namespace DhcpLeases {

std::string ServerFromKeyValueLease(const std::string& text)
{
    for (std::string_view line : TextFiles::Lines(text)) {
        line = TextFiles::Trim(line);
        constexpr std::string_view key = "SERVER_ADDRESS=";
        if (!line.starts_with(key)) continue;
        const std::string_view value = TextFiles::Trim(line.substr(key.size()));
        if (TextFiles::IsIPv4(value)) return std::string(value);
    }
    return {};
}

std::string ServerFromDhclientLeases(const std::string& text, const std::string& interfaceName)
{
    std::string server;
    bool inLease = false;
    bool ours = false;
    std::string candidate;
    for (std::string_view line : TextFiles::Lines(text)) {
        line = TextFiles::Trim(line);
        if (line.starts_with("lease")) {
            inLease = true;
            ours = false;
            candidate.clear();
        } else if (line.starts_with("}")) {
            if (inLease && ours && !candidate.empty()) server = candidate;
            inLease = false;
        } else if (inLease && line.starts_with("interface")) {
            ours = line.find("\"" + interfaceName + "\"") != std::string_view::npos;
        } else if (inLease && line.starts_with("option dhcp-server-identifier")) {
            std::string_view value =
                TextFiles::Trim(line.substr(std::string_view("option dhcp-server-identifier").size()));
            value = value.substr(0, value.find(';'));
            if (TextFiles::IsIPv4(value)) candidate = std::string(value);
        }
    }
    return server;
}

std::string FindServer(const TDhcpLeasePaths& paths, uint32_t interfaceIndex, const std::string& interfaceName)
{
    if (std::string server = FromFile(paths.NetworkdLeases + "/" + std::to_string(interfaceIndex), interfaceName);
        !server.empty())
        return server;
    const std::string suffix = "-" + interfaceName + ".lease";
    for (const std::string& name : FilesIn(paths.NetworkManagerLeases)) {
        if (!name.ends_with(suffix)) continue;
        if (std::string server = FromFile(paths.NetworkManagerLeases + "/" + name, interfaceName); !server.empty())
            return server;
    }
    for (const std::string& folder : paths.DhclientLeases) {
        for (const std::string& name : FilesIn(folder)) {
            if (!name.ends_with(".leases") && !name.ends_with(".lease")) continue;
            if (std::string server = FromFile(folder + "/" + name, interfaceName); !server.empty()) return server;
        }
    }
    return {};
}

} // namespace DhcpLeases
