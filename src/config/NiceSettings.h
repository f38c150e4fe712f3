#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace kvizor {

// Remembers chosen properties of the object that owns it (its parent), such as a
// window's position and size, between runs. A path names a property of the owner
// ("Left") or, before its first full stop, a child of the owner found by object name
// and then that child's property ("PanelQuestion.Height"). Values are kept as text
// (integers in decimal, enumerations by their identifier) under a place named after the
// owner's object name: the key RegKey\<name> of the per-user store, or the section
// [<name>] of the ini file IniFile in the program folder. Neither operation reports an
// error: whatever cannot be read or set is skipped.
class TNiceSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList StoredProps READ StoredProps WRITE setStoredProps)
    Q_PROPERTY(QString RegKey READ RegKey WRITE setRegKey)
    Q_PROPERTY(QString IniFile READ IniFile WRITE setIniFile)
    Q_PROPERTY(TStoreTarget StoreTarget READ StoreTarget WRITE setStoreTarget)

public:
    enum TStoreTarget
    {
        stIniFile = 0,
        stRegistry = 1
    };
    Q_ENUM(TStoreTarget)

    // A property the owner exposes by functions instead of a Qt property: the getter
    // yields the text form, the setter takes it and says whether it was accepted.
    using Getter = std::function<QString()>;
    using Setter = std::function<bool(const QString&)>;

    explicit TNiceSettings(QObject* owner);

    QStringList StoredProps() const { return m_storedProps; }
    void setStoredProps(const QStringList& paths) { m_storedProps = paths; }
    QString RegKey() const { return m_regKey; }
    void setRegKey(const QString& key) { m_regKey = key; }
    QString IniFile() const { return m_iniFile; }
    void setIniFile(const QString& fileName) { m_iniFile = fileName; }
    TStoreTarget StoreTarget() const { return m_storeTarget; }
    void setStoreTarget(TStoreTarget target) { m_storeTarget = target; }

    // Takes precedence over the Qt property of that stored name ("Left",
    // "PanelQuestion.Height"); the named child need not exist.
    void setAccessor(const QString& name, Getter getter, Setter setter);

    // Applies every value stored for the owner, in the store's order.
    void LoadSettings();
    // Replaces the stored values by the current values of the listed paths, in list order.
    void SaveSettings();

    // The full path of the ini target.
    QString iniFilePath() const;

private:
    struct Accessor
    {
        Getter get;
        Setter set;
    };
    struct Target
    {
        QString name;    // the name stored: "Prop" or "Child.Prop"
        QObject* object; // nullptr when an accessor stands in
        QString property;
    };

    bool resolve(const QString& path, Target& target) const;
    bool readText(const Target& target, QString& text) const;
    bool writeText(const Target& target, const QString& text) const;
    QString registryPath() const;

    QStringList m_storedProps;
    QString m_regKey = QStringLiteral("Software\\My Company\\My Program");
    QString m_iniFile = QStringLiteral("Settings.ini");
    TStoreTarget m_storeTarget = stIniFile;
    QHash<QString, Accessor> m_accessors;
};

} // namespace kvizor
