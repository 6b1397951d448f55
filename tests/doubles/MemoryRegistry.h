#pragma once

#include "platform/IRegistry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>

// The registry's tree kept in memory, names compared without regard to letter case.
class TMemoryRegistry final : public IRegistry {
public:
    static std::string Lower(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    }

    std::map<std::string, std::map<std::string, TRegValue>> Keys; // lower-case path -> lower-case name -> value
    std::string Problem;                                          // what LoadProblem tells
    std::string StoreFailure;                                     // what StoreProblem tells, as a full disk
    int UpdateDepth = 0;                                          // groups open now
    int GroupsEnded = 0;                                          // outermost groups ended so far
    int WritesOutsideGroups = 0;                                  // values set while no group was open

    std::unique_ptr<IRegistryKey> OpenKey(const std::string& path, bool create) override
    {
        const std::string key = Lower(path);
        if (!Keys.count(key) && !create) return nullptr;
        return std::make_unique<TKey>(Keys[key], *this);
    }

    void BeginUpdate() override { ++UpdateDepth; }
    bool EndUpdate() override
    {
        if (UpdateDepth > 0 && --UpdateDepth == 0) ++GroupsEnded;
        return true;
    }
    std::string LoadProblem() const override { return Problem; }
    std::string StoreProblem() const override { return StoreFailure; }

    // The text of a value, for checks: "<none>" when it is absent.
    std::string Text(const std::string& path, const std::string& name)
    {
        const auto& values = Keys[Lower(path)];
        const auto value = values.find(Lower(name));
        if (value == values.end()) return "<none>";
        return std::string(value->second.Data.begin(),
                           std::find(value->second.Data.begin(), value->second.Data.end(), 0));
    }

private:
    class TKey final : public IRegistryKey {
    public:
        TKey(std::map<std::string, TRegValue>& values, TMemoryRegistry& owner) : Values(values), Owner(owner) {}
        bool SetValue(const std::string& name, const TRegValue& value) override
        {
            if (Owner.UpdateDepth == 0) ++Owner.WritesOutsideGroups;
            Values[Lower(name)] = value;
            return true;
        }
        bool DeleteValue(const std::string& name) override { return Values.erase(Lower(name)) > 0; }
        std::optional<TRegValueInfo> QueryValue(const std::string& name) override
        {
            const auto value = Values.find(Lower(name));
            if (value == Values.end()) return std::nullopt;
            return TRegValueInfo{value->second.Type, static_cast<uint32_t>(value->second.Data.size())};
        }
        std::optional<TRegValue> ReadValue(const std::string& name) override
        {
            const auto value = Values.find(Lower(name));
            if (value == Values.end()) return std::nullopt;
            return value->second;
        }

    private:
        std::map<std::string, TRegValue>& Values;
        TMemoryRegistry& Owner;
    };
};
