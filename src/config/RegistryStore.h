#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class QSettings;

namespace kvizor {

// The program's key of the per-user store and the names kept in it.
inline constexpr char16_t ProgramRegistryKey[] = u"Software\\Kvizor3\\Student\\";
inline constexpr char16_t PreviousFilesSubKey[] = u"PreviousFiles";
inline constexpr char16_t PasswordValueName[] = u"Password";

// The per-user store of named string values under backslash-separated key paths below
// the current user's root, as the registry keeps them on Windows. A path
// "Software\Org\App\Sub\..." lives in the per-user settings of organisation Org and
// application App (QSettings, native format), in the group Sub/...; "Software\Kvizor3\Student\"
// is thus the settings "Kvizor3"/"Student". Value names are listed in the order they were
// first written, as the registry does. Every value is a string. A caller opens a key,
// does its reads or writes and closes it again.
class RegistryStore
{
public:
    RegistryStore();
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // True when the key is open; with canCreate a missing key is created first. Paths
    // outside "Software\<organisation>\<application>" cannot be opened here.
    bool openKey(const QString& path, bool canCreate);
    void closeKey();
    bool isOpen() const { return m_settings != nullptr; }

    // A missing value reads as empty text.
    QString readString(const QString& name) const;
    bool writeString(const QString& name, const QString& value);
    bool deleteValue(const QString& name);
    QStringList valueNames() const;

    // Name and value pairs of a sub-key of the open key, in the store's order.
    QList<std::pair<QString, QString>> readSectionValues(const QString& subKey) const;
    // Deletes the sub-key with all its values.
    bool eraseSection(const QString& subKey);
    bool writeSectionString(const QString& subKey, const QString& name, const QString& value);

private:
    QString subGroup(const QString& subKey) const;

    std::unique_ptr<QSettings> m_settings;
    QString m_group;
};

} // namespace kvizor
