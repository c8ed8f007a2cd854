// CSessionPortStore: session aliases over the user's settings store.
#include "serial/SessionPortStore.h"

#include "serial/ComPortEnumerator.h"

#include <algorithm>

namespace kestrelon {

void CSessionPortStore::SetSessionAlias(std::uint32_t number, const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_aliases[number] = path;
}

void CSessionPortStore::RemoveSessionAlias(std::uint32_t number)
{
    std::lock_guard lock(m_mutex);
    m_aliases.erase(number);
}

const std::string* CSessionPortStore::SessionAlias(const std::string& group, const std::string& key) const
{
    if (group != kPortAliasGroup)
        return nullptr;
    const auto found = m_aliases.find(ParseComName(key));
    return found == m_aliases.end() ? nullptr : &found->second;
}

std::optional<std::string> CSessionPortStore::Read(const std::string& group, const std::string& key) const
{
    {
        std::lock_guard lock(m_mutex);
        if (const std::string* path = SessionAlias(group, key))
            return *path;
    }
    return m_store.Read(group, key);
}

void CSessionPortStore::Write(const std::string& group, const std::string& key, const std::string& value)
{
    m_store.Write(group, key, value);
}

void CSessionPortStore::Remove(const std::string& group, const std::string& key)
{
    m_store.Remove(group, key);
}

std::vector<std::string> CSessionPortStore::Keys(const std::string& group) const
{
    std::vector<std::string> keys = m_store.Keys(group);
    if (group != kPortAliasGroup)
        return keys;
    std::lock_guard lock(m_mutex);
    // A user alias of the same number is hidden while the session one lasts.
    std::erase_if(keys, [this](const std::string& key) { return m_aliases.count(ParseComName(key)) != 0; });
    for (const auto& [number, path] : m_aliases)
        keys.push_back("COM" + std::to_string(number));
    return keys;
}

} // namespace kestrelon
