// The settings store of the model, kept in the program's QSettings file. It has
// its own QSettings object on the same file, guarded by a lock, because driver
// threads read port aliases and proxy values while the window uses the profile.
#pragma once

#include "document/SettingsStore.h"

#include <QSettings>

#include <memory>
#include <mutex>

namespace kestrelon {

class CQtSettingsStore : public ISettingsStore {
public:
    // Works on the same file as `profile`.
    explicit CQtSettingsStore(const QSettings& profile);

    std::optional<std::string> Read(const std::string& group, const std::string& key) const override;
    void Write(const std::string& group, const std::string& key, const std::string& value) override;
    void Remove(const std::string& group, const std::string& key) override;
    std::vector<std::string> Keys(const std::string& group) const override;

private:
    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
};

} // namespace kestrelon
