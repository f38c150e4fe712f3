#include "config/NiceSettings.h"

#include "config/IniDocument.h"
#include "config/ProgramFolder.h"
#include "config/RegistryStore.h"

#include <QDir>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QVariant>

namespace kvizor {

namespace {

bool isIntegerType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

QMetaProperty findProperty(const QObject* object, const QString& name)
{
    const QByteArray latin = name.toLatin1();
    if (QString::fromLatin1(latin) != name)
        return QMetaProperty();
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(latin.constData());
    return index < 0 ? QMetaProperty() : meta->property(index);
}

// The text form of a value, or false when it has none.
bool valueText(const QVariant& value, QString& text)
{
    if (isIntegerType(value.metaType())) {
        text = QString::number(value.toLongLong());
        return true;
    }
    if (!value.canConvert<QString>())
        return false;
    text = value.toString();
    return true;
}

// The value of a text for a property of the given type, or false when it is not one.
bool textValue(const QString& text, QMetaType type, QVariant& value)
{
    if (isIntegerType(type)) {
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok, 10);
        if (!ok)
            return false;
        value = QVariant(n);
        return value.convert(type);
    }
    value = QVariant(text);
    return value.convert(type);
}

} // namespace

TNiceSettings::TNiceSettings(QObject* owner) : QObject(owner) {}

void TNiceSettings::setAccessor(const QString& name, Getter getter, Setter setter)
{
    m_accessors.insert(name, Accessor{std::move(getter), std::move(setter)});
}

QString TNiceSettings::iniFilePath() const
{
    return QDir(ProgramFolder()).filePath(m_iniFile);
}

QString TNiceSettings::registryPath() const
{
    return m_regKey + u'\\' + parent()->objectName();
}

bool TNiceSettings::resolve(const QString& path, Target& target) const
{
    const QString line = path.trimmed();
    if (line.isEmpty())
        return false;
    const qsizetype dot = line.indexOf(u'.');
    const QString component = dot < 0 ? QString() : line.left(dot);
    target.property = dot < 0 ? line : line.mid(dot + 1);
    target.name = component.isEmpty() ? target.property : component + u'.' + target.property;
    if (m_accessors.contains(target.name)) {
        target.object = nullptr;
        return true;
    }
    QObject* owner = parent();
    target.object = component.isEmpty() ? owner : owner->findChild<QObject*>(component);
    return target.object != nullptr;
}

bool TNiceSettings::readText(const Target& target, QString& text) const
{
    if (!target.object) {
        const Accessor& accessor = m_accessors[target.name];
        if (!accessor.get)
            return false;
        text = accessor.get();
        return true;
    }
    const QMetaProperty property = findProperty(target.object, target.property);
    if (!property.isValid()) {
        const QByteArray dynamicName = target.property.toLatin1();
        if (!target.object->dynamicPropertyNames().contains(dynamicName))
            return false;
        return valueText(target.object->property(dynamicName.constData()), text);
    }
    if (!property.isReadable())
        return false;
    const QVariant value = property.read(target.object);
    if (property.isEnumType()) {
        const QMetaEnum enumerator = property.enumerator();
        const int n = value.toInt();
        const QByteArray key =
            enumerator.isFlag() ? enumerator.valueToKeys(n) : QByteArray(enumerator.valueToKey(n));
        if (key.isEmpty())
            return false;
        text = QString::fromLatin1(key);
        return true;
    }
    return valueText(value, text);
}

bool TNiceSettings::writeText(const Target& target, const QString& text) const
{
    if (!target.object) {
        const Accessor& accessor = m_accessors[target.name];
        return accessor.set && accessor.set(text);
    }
    const QMetaProperty property = findProperty(target.object, target.property);
    if (!property.isValid()) {
        // Only a dynamic property that already exists is set; a stale name creates nothing.
        const QByteArray dynamicName = target.property.toLatin1();
        if (!target.object->dynamicPropertyNames().contains(dynamicName))
            return false;
        QVariant value;
        const QVariant current = target.object->property(dynamicName.constData());
        if (!textValue(text, current.metaType(), value))
            return false;
        target.object->setProperty(dynamicName.constData(), value);
        return true;
    }
    if (!property.isWritable())
        return false;
    if (property.isEnumType()) {
        const QMetaEnum enumerator = property.enumerator();
        bool ok = false;
        const QByteArray key = text.toLatin1();
        const int n = enumerator.isFlag() ? enumerator.keysToValue(key.constData(), &ok)
                                          : enumerator.keyToValue(key.constData(), &ok);
        return ok && property.write(target.object, QVariant(n));
    }
    QVariant value;
    return textValue(text, property.metaType(), value) && property.write(target.object, value);
}

void TNiceSettings::SaveSettings()
{
    // Without a name the owner has no place of its own; writing would clear the key above.
    if (m_storedProps.isEmpty() || !parent() || parent()->objectName().isEmpty())
        return;
    const QString place = parent()->objectName();

    QList<std::pair<QString, QString>> values;
    for (const QString& path : std::as_const(m_storedProps)) {
        Target target;
        QString text;
        if (resolve(path, target) && readText(target, text))
            values.append({target.name, text});
    }

    if (m_storeTarget == stRegistry) {
        RegistryStore store;
        if (!store.openKey(registryPath(), true))
            return;
        for (const QString& name : store.valueNames())
            store.deleteValue(name);
        for (const auto& [name, text] : values)
            store.writeString(name, text);
        return;
    }
    const QString file = iniFilePath();
    IniDocument doc;
    QString error;
    if (!IniDocument::readFile(file, doc, error))
        return;
    doc.eraseSection(place);
    for (const auto& [name, text] : values)
        doc.setValue(place, name, text);
    doc.writeFile(file, error);
}

void TNiceSettings::LoadSettings()
{
    if (m_storedProps.isEmpty() || !parent() || parent()->objectName().isEmpty())
        return;
    const QString place = parent()->objectName();

    QList<std::pair<QString, QString>> values;
    if (m_storeTarget == stRegistry) {
        RegistryStore store;
        if (!store.openKey(registryPath(), true))
            return;
        for (const QString& name : store.valueNames())
            values.append({name, store.readString(name)});
    } else {
        IniDocument doc;
        QString error;
        if (!IniDocument::readFile(iniFilePath(), doc, error))
            return;
        for (const QString& name : doc.keys(place))
            values.append({name, doc.value(place, name).value_or(QString())});
    }

    for (const auto& [name, text] : values) {
        Target target;
        if (!text.isEmpty() && resolve(name, target))
            writeText(target, text);
    }
}

} // namespace kvizor
