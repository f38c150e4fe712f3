#include "ui/SettingsPassword.h"

#include "config/RegistryStore.h"

namespace kvizor::settingspassword {

namespace {

QString keyPath()
{
    return QString::fromUtf16(ProgramRegistryKey);
}

QString valueName()
{
    return QString::fromUtf16(PasswordValueName);
}

} // namespace

QString Read()
{
    RegistryStore store;
    if (!store.openKey(keyPath(), true))
        return {};
    return store.readString(valueName());
}

bool Write(const QString& password)
{
    RegistryStore store;
    return store.openKey(keyPath(), true) && store.writeString(valueName(), password);
}

bool Remove()
{
    RegistryStore store;
    return store.openKey(keyPath(), true) && store.deleteValue(valueName());
}

} // namespace kvizor::settingspassword
