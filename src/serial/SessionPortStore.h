// The settings store with port aliases that last one session: COM<n> = path
// pairs kept in memory and read as if they were in the "Ports" group, ahead of
// the user's own aliases, but never written to the settings file. Everything
// else goes straight to the store beneath. The demo device is bound this way.
#pragma once

#include "document/SettingsStore.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace kestrelon {

class CSessionPortStore : public ISettingsStore {
public:
    explicit CSessionPortStore(ISettingsStore& store) : m_store(store) {}

    void SetSessionAlias(std::uint32_t number, const std::string& path);
    void RemoveSessionAlias(std::uint32_t number);

    std::optional<std::string> Read(const std::string& group, const std::string& key) const override;
    void Write(const std::string& group, const std::string& key, const std::string& value) override;
    void Remove(const std::string& group, const std::string& key) override;
    std::vector<std::string> Keys(const std::string& group) const override;

private:
    // The session alias a key of the "Ports" group names, or null.
    const std::string* SessionAlias(const std::string& group, const std::string& key) const;

    ISettingsStore& m_store;
    mutable std::mutex m_mutex; // driver threads resolve aliases too
    std::map<std::uint32_t, std::string> m_aliases;
};

} // namespace kestrelon
