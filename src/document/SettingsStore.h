// The per-user settings store as the model sees it. The program backs it with
// QSettings; tests use CMemorySettingsStore so they never touch the user's
// settings. Keys are grouped ("Ports", "Internet Settings" ...).
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual std::optional<std::string> Read(const std::string& group, const std::string& key) const = 0;
    virtual void Write(const std::string& group, const std::string& key, const std::string& value) = 0;
    virtual void Remove(const std::string& group, const std::string& key) = 0;
    virtual std::vector<std::string> Keys(const std::string& group) const = 0;
};

class CMemorySettingsStore : public ISettingsStore {
public:
    std::optional<std::string> Read(const std::string& group, const std::string& key) const override
    {
        std::lock_guard lock(m_mutex);
        auto it = m_values.find({group, key});
        if (it == m_values.end())
            return std::nullopt;
        return it->second;
    }
    void Write(const std::string& group, const std::string& key, const std::string& value) override
    {
        std::lock_guard lock(m_mutex);
        m_values[{group, key}] = value;
    }
    void Remove(const std::string& group, const std::string& key) override
    {
        std::lock_guard lock(m_mutex);
        m_values.erase({group, key});
    }
    std::vector<std::string> Keys(const std::string& group) const override
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> keys;
        for (const auto& [name, value] : m_values)
            if (name.first == group)
                keys.push_back(name.second);
        return keys;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

} // namespace kestrelon
