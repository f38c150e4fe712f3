#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <span>
#include <variant>

namespace kvizor {

class IniDocument;
struct AdminConfig;

// A colour as the platform's colour dialog gives it: red in the lowest byte, then green,
// then blue.
using TColor = quint32;

// Every setting of the program. Defaults come from the settings table (ConfigFields),
// which the constructor applies.
struct TConfig
{
    TConfig();

    QString RemoteHost;
    qint32 RemotePort = 0;
    QString InitialDirOpenTest;
    QString DirForResult;
    QString ResultFileName;
    QString ProtectionResultFileName;
    QString ConfigDir;
    QString ConfigFileName;
    bool IsSaveResult = false;
    bool IsSaveProtectionResult = false;
    bool IsSendResult = false;
    bool IsSaveConfig = false;
    bool IsAutoGetTestFromStart = false;
    TColor ColorCorrect = 0;
    TColor ColorError = 0;
    // ColorCollation1 ... ColorCollation10 of the file.
    std::array<TColor, 10> ColorCollation{};
    QString DefaultUserName;
    QString DefaultUserGroup;
    QString UserNameExpression;
    QString UserGroupExpression;
    QString UserNameExample;
    QString UserGroupExample;
    bool IsUseSound = false;
    bool IsUseDefaultSound = false;
    QString SoundFileName;
    QString SoundFileDir;
    bool IsUsePreviousFiles = false;
    bool IsUseWindowSettings = false;
    bool IsShowUserResult = false;
    bool IsShowDetailReportModeEducation = false;
    bool IsShowDetailReportModeNormal = false;
};

enum class ConfigKind
{
    Text,
    Integer,
    Flag,
    Colour
};

using ConfigFieldRef = std::variant<QString*, qint32*, bool*, TColor*>;

// One row of the settings table. Stored rows have a section and a key and are read and
// written in table order; the others only have a default.
struct ConfigField
{
    const char* field;   // name of the field, e.g. "ColorCollation" for its elements
    const char* section; // nullptr: not stored in the file
    const char* key;
    ConfigKind kind;
    const char16_t* defaultText; // Text fields
    qint64 defaultNumber;        // Integer, Flag and Colour fields
    ConfigFieldRef (*ref)(TConfig&);

    bool isStored() const { return section != nullptr; }
    // The key of the file, or the field name of a field that is not stored.
    QString name() const;
};

std::span<const ConfigField> ConfigFields();
// The stored rows only, in file order.
std::span<const ConfigField> StoredConfigFields();

// Outcome of loading or saving the settings file; message is the program's one text
// for the failure, detail what the system said.
struct ConfigStatus
{
    bool ok = true;
    QString message;
    QString detail;
};

inline constexpr char16_t LoadConfigErrorText[] = u"Ошибка при загрузке параметров программы!";
inline constexpr char16_t SaveConfigErrorText[] = u"Ошибка при сохранении параметров программы!";

void SetDefaultConfig(TConfig& config);

// The settings file: ConfigDir/ConfigFileName when ConfigDir is set, else ConfigFileName
// in the program folder.
QString ConfigFilePath(const TConfig& config);

// Reads the administrator's settings files (AdminConfig.h), then the user's, over the
// current values: a missing file changes nothing and is no failure; absent keys and
// unreadable numbers keep what the record holds. A file that cannot be read changes
// nothing and the status says so; the others are still read.
ConfigStatus LoadConfig(TConfig& config);
ConfigStatus LoadConfigFile(TConfig& config, const QString& path);

// Writes the stored keys into the user's settings file, keeping every line of an
// existing file that is not one of them. The file is replaced as a whole, so a failure
// leaves the previous file untouched. The administrator's files are never written; a key
// one of them sets is left out of the user's file while the user's file lacks it and the
// value is still the administrator's, so it keeps following the administrator's file.
ConfigStatus SaveConfig(const TConfig& config);
ConfigStatus SaveConfigFile(const TConfig& config, const QString& path,
                            const AdminConfig* inherited = nullptr);

// The steps of the two above on a document in memory.
void ReadConfig(TConfig& config, const IniDocument& doc);
void WriteConfig(const TConfig& config, IniDocument& doc, const AdminConfig* inherited = nullptr);

// Number parsing of the file: "0x..." (three or more characters) or "$..." hexadecimal,
// else decimal; false for anything else. Hexadecimal takes up to 32 bits.
bool ParseConfigInt(const QString& text, qint32& value);
bool ParseConfigColour(const QString& text, TColor& value);
// The text a stored field is written as: "1"/"0", decimal numbers, text unchanged.
QString ConfigValueText(const ConfigField& field, const TConfig& config);

} // namespace kvizor
