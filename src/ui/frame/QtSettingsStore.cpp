// Model settings in the QSettings file: "group/key" string values.
#include "ui/frame/QtSettingsStore.h"

namespace kestrelon {

namespace {
QString Path(const std::string& group, const std::string& key)
{
    return QString::fromStdString(group) + QLatin1Char('/') + QString::fromStdString(key);
}
} // namespace

CQtSettingsStore::CQtSettingsStore(const QSettings& profile)
    : m_settings(std::make_unique<QSettings>(profile.fileName(), QSettings::IniFormat))
{
}

std::optional<std::string> CQtSettingsStore::Read(const std::string& group, const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    m_settings->sync(); // pick up what the window's own QSettings wrote
    const QVariant value = m_settings->value(Path(group, key));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void CQtSettingsStore::Write(const std::string& group, const std::string& key, const std::string& value)
{
    std::lock_guard lock(m_mutex);
    m_settings->setValue(Path(group, key), QString::fromStdString(value));
    m_settings->sync();
}

void CQtSettingsStore::Remove(const std::string& group, const std::string& key)
{
    std::lock_guard lock(m_mutex);
    m_settings->remove(Path(group, key));
    m_settings->sync();
}

std::vector<std::string> CQtSettingsStore::Keys(const std::string& group) const
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    m_settings->beginGroup(QString::fromStdString(group));
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    std::vector<std::string> result;
    for (const QString& key : keys)
        result.push_back(key.toStdString());
    return result;
}

} // namespace kestrelon
