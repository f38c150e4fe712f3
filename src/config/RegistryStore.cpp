#include "config/RegistryStore.h"

#include <QSettings>

namespace kvizor {

namespace {

// Value names in write order; QSettings itself lists keys sorted. A name written by a
// caller never starts with "." (value names, window-setting paths and list indexes don't).
const QString OrderName = QStringLiteral(".order");

// Value and key names cannot hold the separators of QSettings paths.
bool isStorableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && !name.startsWith(u'.');
}

class GroupScope
{
public:
    GroupScope(QSettings& settings, const QString& group) : m_settings(settings), m_entered(!group.isEmpty())
    {
        if (m_entered)
            m_settings.beginGroup(group);
    }
    ~GroupScope()
    {
        if (m_entered)
            m_settings.endGroup();
    }
    GroupScope(const GroupScope&) = delete;
    GroupScope& operator=(const GroupScope&) = delete;

private:
    QSettings& m_settings;
    bool m_entered;
};

QStringList storedOrder(const QSettings& settings)
{
    return settings.value(OrderName).toString().split(u'/', Qt::SkipEmptyParts);
}

QStringList namesIn(QSettings& settings, const QString& group)
{
    GroupScope scope(settings, group);
    QStringList keys = settings.childKeys();
    keys.removeAll(OrderName);
    QStringList names;
    for (const QString& name : storedOrder(settings)) {
        if (keys.contains(name) && !names.contains(name))
            names.append(name);
    }
    // Values added by other means than this store come last.
    for (const QString& name : std::as_const(keys)) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

bool synced(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool writeIn(QSettings& settings, const QString& group, const QString& name, const QString& value)
{
    if (!isStorableName(name))
        return false;
    {
        GroupScope scope(settings, group);
        settings.setValue(name, value);
        QStringList order = storedOrder(settings);
        if (!order.contains(name)) {
            order.append(name);
            settings.setValue(OrderName, order.join(u'/'));
        }
    }
    return synced(settings);
}

bool groupExists(QSettings& settings, const QString& group)
{
    GroupScope scope(settings, group);
    return !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
}

} // namespace

RegistryStore::RegistryStore() = default;

RegistryStore::~RegistryStore()
{
    closeKey();
}

bool RegistryStore::openKey(const QString& path, bool canCreate)
{
    closeKey();
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts[0].compare(u"Software", Qt::CaseInsensitive) != 0)
        return false;
    for (const QString& part : parts) {
        if (part.contains(u'/'))
            return false;
    }
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, parts[1], parts[2]);
    // Only this user's own values count; a value deleted here must not come back from
    // a system-wide file.
    settings->setFallbacksEnabled(false);
    if (settings->status() != QSettings::NoError)
        return false;
    const QString group = parts.mid(3).join(u'/');
    if (!groupExists(*settings, group)) {
        if (!canCreate)
            return false;
        {
            GroupScope scope(*settings, group);
            settings->setValue(OrderName, QString());
        }
        if (!synced(*settings))
            return false;
    }
    m_settings = std::move(settings);
    m_group = group;
    return true;
}

void RegistryStore::closeKey()
{
    if (m_settings)
        m_settings->sync();
    m_settings.reset();
    m_group.clear();
}

QString RegistryStore::readString(const QString& name) const
{
    if (!m_settings || !isStorableName(name))
        return QString();
    GroupScope scope(*m_settings, m_group);
    return m_settings->value(name).toString();
}

bool RegistryStore::writeString(const QString& name, const QString& value)
{
    return m_settings && writeIn(*m_settings, m_group, name, value);
}

bool RegistryStore::deleteValue(const QString& name)
{
    if (!m_settings || !isStorableName(name))
        return false;
    {
        GroupScope scope(*m_settings, m_group);
        m_settings->remove(name);
        QStringList order = storedOrder(*m_settings);
        if (order.removeAll(name) > 0)
            m_settings->setValue(OrderName, order.join(u'/'));
    }
    return synced(*m_settings);
}

QStringList RegistryStore::valueNames() const
{
    if (!m_settings)
        return {};
    return namesIn(*m_settings, m_group);
}

QList<std::pair<QString, QString>> RegistryStore::readSectionValues(const QString& subKey) const
{
    QList<std::pair<QString, QString>> values;
    if (!m_settings || !isStorableName(subKey))
        return values;
    const QString group = subGroup(subKey);
    const QStringList names = namesIn(*m_settings, group);
    GroupScope scope(*m_settings, group);
    for (const QString& name : names)
        values.append({name, m_settings->value(name).toString()});
    return values;
}

bool RegistryStore::eraseSection(const QString& subKey)
{
    if (!m_settings || !isStorableName(subKey))
        return false;
    m_settings->remove(subGroup(subKey));
    return synced(*m_settings);
}

bool RegistryStore::writeSectionString(const QString& subKey, const QString& name, const QString& value)
{
    return m_settings && isStorableName(subKey) && writeIn(*m_settings, subGroup(subKey), name, value);
}

QString RegistryStore::subGroup(const QString& subKey) const
{
    return m_group.isEmpty() ? subKey : m_group + u'/' + subKey;
}

} // namespace kvizor
