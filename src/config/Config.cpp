#include "config/Config.h"

#include "common/Cp1251.h"
#include "config/AdminConfig.h"
#include "config/IniDocument.h"
#include "config/ProgramFolder.h"

#include <QDir>

#include <limits>
#include <optional>

namespace kvizor {

namespace {

template <auto Member>
ConfigFieldRef member(TConfig& c)
{
    return &(c.*Member);
}

template <int Index>
ConfigFieldRef collation(TConfig& c)
{
    return &c.ColorCollation[Index];
}

using K = ConfigKind;

// The settings table: every field with its default; stored ones in the order of the
// file's sections and keys, then the ones that are not stored.
constexpr ConfigField Fields[] = {
    {"IsSaveResult", "Save", "IsSaveResult", K::Flag, nullptr, 1, &member<&TConfig::IsSaveResult>},
    {"IsSaveProtectionResult", "Save", "IsSaveProtectionResult", K::Flag, nullptr, 0,
     &member<&TConfig::IsSaveProtectionResult>},
    {"IsSaveConfig", "Save", "IsSaveConfig", K::Flag, nullptr, 0, &member<&TConfig::IsSaveConfig>},
    {"IsUseWindowSettings", "Save", "IsUseWindowSettings", K::Flag, nullptr, 0,
     &member<&TConfig::IsUseWindowSettings>},

    {"IsSendResult", "Net", "IsSendResult", K::Flag, nullptr, 0, &member<&TConfig::IsSendResult>},
    {"RemotePort", "Net", "RemotePort", K::Integer, nullptr, 5005, &member<&TConfig::RemotePort>},
    {"RemoteHost", "Net", "RemoteHost", K::Text, u"127.0.0.1", 0, &member<&TConfig::RemoteHost>},
    {"IsAutoGetTestFromStart", "Net", "IsAutoGetTestFromStart", K::Flag, nullptr, 0,
     &member<&TConfig::IsAutoGetTestFromStart>},

    {"InitialDirOpenTest", "Dir", "InitialDirOpenTest", K::Text, u"", 0,
     &member<&TConfig::InitialDirOpenTest>},
    {"DirForResult", "Dir", "DirForResult", K::Text, u"", 0, &member<&TConfig::DirForResult>},

    {"ColorCorrect", "Colors", "ColorCorrect", K::Colour, nullptr, 14218716, &member<&TConfig::ColorCorrect>},
    {"ColorError", "Colors", "ColorError", K::Colour, nullptr, 13428479, &member<&TConfig::ColorError>},
    {"ColorCollation", "Colors", "ColorCollation1", K::Colour, nullptr, 15718645, &collation<0>},
    {"ColorCollation", "Colors", "ColorCollation2", K::Colour, nullptr, 14216949, &collation<1>},
    {"ColorCollation", "Colors", "ColorCollation3", K::Colour, nullptr, 14218734, &collation<2>},
    {"ColorCollation", "Colors", "ColorCollation4", K::Colour, nullptr, 14218719, &collation<3>},
    {"ColorCollation", "Colors", "ColorCollation5", K::Colour, nullptr, 14677464, &collation<4>},
    {"ColorCollation", "Colors", "ColorCollation6", K::Colour, nullptr, 15660504, &collation<5>},
    {"ColorCollation", "Colors", "ColorCollation7", K::Colour, nullptr, 16117464, &collation<6>},
    {"ColorCollation", "Colors", "ColorCollation8", K::Colour, nullptr, 16113624, &collation<7>},
    {"ColorCollation", "Colors", "ColorCollation9", K::Colour, nullptr, 16111839, &collation<8>},
    {"ColorCollation", "Colors", "ColorCollation10", K::Colour, nullptr, 16111854, &collation<9>},

    {"DefaultUserName", "DefaultUser", "DefaultUserName", K::Text, u"Фамилия Имя", 0,
     &member<&TConfig::DefaultUserName>},
    {"DefaultUserGroup", "DefaultUser", "DefaultUserGroup", K::Text, u"Класс", 0,
     &member<&TConfig::DefaultUserGroup>},
    {"UserNameExpression", "DefaultUser", "UserNameExpression", K::Text,
     u"^[А-Я]{1}[а-я]{1,} [А-Я]{1}[а-я]{1,}$", 0, &member<&TConfig::UserNameExpression>},
    {"UserGroupExpression", "DefaultUser", "UserGroupExpression", K::Text,
     u"^[1-9]{1}[0-1]{0,1} [А-Яа-я]{1}$", 0, &member<&TConfig::UserGroupExpression>},
    {"UserNameExample", "DefaultUser", "UserNameExample", K::Text, u"Иванов Иван", 0,
     &member<&TConfig::UserNameExample>},
    {"UserGroupExample", "DefaultUser", "UserGroupExample", K::Text, u"10 А", 0,
     &member<&TConfig::UserGroupExample>},

    {"IsShowUserResult", "ResultUser", "IsShowUserResult", K::Flag, nullptr, 1,
     &member<&TConfig::IsShowUserResult>},
    {"IsShowDetailReportModeEducation", "ResultUser", "IsShowDetailReportModeEducation", K::Flag, nullptr, 1,
     &member<&TConfig::IsShowDetailReportModeEducation>},
    {"IsShowDetailReportModeNormal", "ResultUser", "IsShowDetailReportModeNormal", K::Flag, nullptr, 0,
     &member<&TConfig::IsShowDetailReportModeNormal>},

    {"IsUseSound", "Sound", "IsUseSound", K::Flag, nullptr, 1, &member<&TConfig::IsUseSound>},
    {"IsUseDefaultSound", "Sound", "IsUseDefaultSound", K::Flag, nullptr, 1,
     &member<&TConfig::IsUseDefaultSound>},
    {"SoundFileName", "Sound", "SoundFileName", K::Text, u"", 0, &member<&TConfig::SoundFileName>},
    {"SoundFileDir", "Sound", "SoundFileDir", K::Text, u"", 0, &member<&TConfig::SoundFileDir>},

    {"ResultFileName", nullptr, nullptr, K::Text, u"KvizorStudent_Result.txt", 0,
     &member<&TConfig::ResultFileName>},
    {"ProtectionResultFileName", nullptr, nullptr, K::Text, u"KvizorStudent_ProtectionResult.kvpr", 0,
     &member<&TConfig::ProtectionResultFileName>},
    {"ConfigDir", nullptr, nullptr, K::Text, u"", 0, &member<&TConfig::ConfigDir>},
    {"ConfigFileName", nullptr, nullptr, K::Text, u"KvizorStudent_Config.txt", 0,
     &member<&TConfig::ConfigFileName>},
    {"IsUsePreviousFiles", nullptr, nullptr, K::Flag, nullptr, 1, &member<&TConfig::IsUsePreviousFiles>},
};

constexpr std::size_t StoredCount = 35;

constexpr bool storedRowsFirst()
{
    for (std::size_t i = 0; i < std::size(Fields); ++i) {
        if ((Fields[i].section != nullptr) != (i < StoredCount))
            return false;
        if ((Fields[i].kind == K::Text) != (Fields[i].defaultText != nullptr))
            return false;
    }
    return true;
}
static_assert(storedRowsFirst(), "stored settings come first and text rows carry a text default");

// The kind column must match the field's type.
template <typename T>
T* fieldOf(const ConfigField& field, TConfig& config)
{
    return std::get<T*>(field.ref(config));
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::optional<quint32> parseHex(QStringView digits)
{
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (QChar ch : digits) {
        const int d = hexDigit(ch.unicode());
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<quint32>(d);
    }
    return value;
}

std::optional<qint64> parseDecimal(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > (qint64(1) << 33))
            return std::nullopt;
    }
    return negative ? -value : value;
}

// Hexadecimal values as a 32-bit pattern, decimal as written; nullopt when not a number.
std::optional<qint64> parseNumber(const QString& text, bool* hex)
{
    *hex = true;
    if (text.size() >= 3 && (text.startsWith(u"0x") || text.startsWith(u"0X")))
        return parseHex(QStringView(text).mid(2));
    if (text.startsWith(u'$'))
        return parseHex(QStringView(text).mid(1));
    *hex = false;
    return parseDecimal(text);
}

ConfigStatus failure(const char16_t* message, const QString& detail)
{
    return ConfigStatus{false, QString::fromUtf16(message), detail};
}

} // namespace

QString ConfigField::name() const
{
    return QString::fromLatin1(isStored() ? key : field);
}

TConfig::TConfig()
{
    SetDefaultConfig(*this);
}

std::span<const ConfigField> ConfigFields()
{
    return Fields;
}

std::span<const ConfigField> StoredConfigFields()
{
    return std::span<const ConfigField>(Fields).first(StoredCount);
}

void SetDefaultConfig(TConfig& config)
{
    for (const ConfigField& f : ConfigFields()) {
        switch (f.kind) {
        case K::Text:
            *fieldOf<QString>(f, config) = QString::fromUtf16(f.defaultText);
            break;
        case K::Integer:
            *fieldOf<qint32>(f, config) = static_cast<qint32>(f.defaultNumber);
            break;
        case K::Flag:
            *fieldOf<bool>(f, config) = f.defaultNumber != 0;
            break;
        case K::Colour:
            *fieldOf<TColor>(f, config) = static_cast<TColor>(f.defaultNumber);
            break;
        }
    }
}

bool ParseConfigInt(const QString& text, qint32& value)
{
    bool hex = false;
    const std::optional<qint64> n = parseNumber(text, &hex);
    if (!n)
        return false;
    if (hex) {
        value = static_cast<qint32>(static_cast<quint32>(*n));
        return true;
    }
    if (*n < std::numeric_limits<qint32>::min() || *n > std::numeric_limits<qint32>::max())
        return false;
    value = static_cast<qint32>(*n);
    return true;
}

bool ParseConfigColour(const QString& text, TColor& value)
{
    bool hex = false;
    const std::optional<qint64> n = parseNumber(text, &hex);
    // Negative decimals are the same 32 bits written as a signed number.
    if (!n || *n < std::numeric_limits<qint32>::min() || *n > std::numeric_limits<quint32>::max())
        return false;
    value = static_cast<TColor>(static_cast<quint32>(*n));
    return true;
}

QString ConfigValueText(const ConfigField& field, const TConfig& config)
{
    // The accessor only reads here.
    TConfig& c = const_cast<TConfig&>(config);
    switch (field.kind) {
    case K::Text:
        return *fieldOf<QString>(field, c);
    case K::Integer:
        return QString::number(*fieldOf<qint32>(field, c));
    case K::Flag:
        return *fieldOf<bool>(field, c) ? QStringLiteral("1") : QStringLiteral("0");
    case K::Colour:
        return QString::number(*fieldOf<TColor>(field, c));
    }
    return QString();
}

void ReadConfig(TConfig& config, const IniDocument& doc)
{
    for (const ConfigField& f : StoredConfigFields()) {
        const std::optional<QString> text =
            doc.value(QString::fromLatin1(f.section), QString::fromLatin1(f.key));
        if (!text)
            continue;
        switch (f.kind) {
        case K::Text:
            *fieldOf<QString>(f, config) = *text;
            break;
        case K::Integer:
            ParseConfigInt(*text, *fieldOf<qint32>(f, config));
            break;
        case K::Flag: {
            qint32 n = 0;
            if (ParseConfigInt(*text, n))
                *fieldOf<bool>(f, config) = n != 0;
            break;
        }
        case K::Colour:
            ParseConfigColour(*text, *fieldOf<TColor>(f, config));
            break;
        }
    }
}

void WriteConfig(const TConfig& config, IniDocument& doc, const AdminConfig* inherited)
{
    for (const ConfigField& f : StoredConfigFields()) {
        const QString section = QString::fromLatin1(f.section);
        const QString key = QString::fromLatin1(f.key);
        const QString value = ConfigValueText(f, config);
        const bool followsAdmin = inherited != nullptr && inherited->keys.contains(ConfigKeyPath(f)) &&
                                  !doc.value(section, key) &&
                                  value == ConfigValueText(f, inherited->settings);
        if (!followsAdmin)
            doc.setValue(section, key, value);
    }
}

QString ConfigFilePath(const TConfig& config)
{
    if (!config.ConfigDir.isEmpty())
        return QDir(config.ConfigDir).filePath(config.ConfigFileName);
    return QDir(ProgramFolder()).filePath(config.ConfigFileName);
}

ConfigStatus LoadConfig(TConfig& config)
{
    ConfigStatus first;
    for (const QString& path : AdminConfigPaths(config)) {
        ConfigStatus status = LoadConfigFile(config, path);
        if (!status.ok && first.ok) {
            status.detail = QDir::toNativeSeparators(path) + QStringLiteral(": ") + status.detail;
            first = status;
        }
    }
    const ConfigStatus own = LoadConfigFile(config, ConfigFilePath(config));
    return own.ok ? first : own;
}

ConfigStatus LoadConfigFile(TConfig& config, const QString& path)
{
    IniDocument doc;
    QString error;
    if (!IniDocument::readFile(path, doc, error))
        return failure(LoadConfigErrorText, error);
    ReadConfig(config, doc);
    return {};
}

ConfigStatus SaveConfig(const TConfig& config)
{
    const AdminConfig admin = ReadAdminConfig(AdminConfigPaths(config));
    return SaveConfigFile(config, ConfigFilePath(config), &admin);
}

ConfigStatus SaveConfigFile(const TConfig& config, const QString& path, const AdminConfig* inherited)
{
    // An existing file that cannot be read is not overwritten: its other lines would be lost.
    IniDocument doc;
    QString error;
    if (!IniDocument::readFile(path, doc, error))
        return failure(SaveConfigErrorText, error);
    WriteConfig(config, doc, inherited);
    if (!doc.writeFile(path, error))
        return failure(SaveConfigErrorText, error);
    return {};
}

} // namespace kvizor
