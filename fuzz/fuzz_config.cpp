// Settings file reader and writer: any bytes load without harm, the document writes
// back byte for byte, saving the loaded settings over the file gives a file that loads
// to the same settings and is not changed by saving again, and a value beyond
// Windows-1251 comes back unchanged whatever the file was.
#include "config/Config.h"
#include "config/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kvizor;

namespace {

bool sameStored(const TConfig& a, const TConfig& b)
{
    for (const ConfigField& f : StoredConfigFields()) {
        if (ConfigValueText(f, a) != ConfigValueText(f, b))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniDocument doc = IniDocument::fromBytes(input);
    if (doc.toBytes() != input)
        std::abort();

    TConfig loaded;
    ReadConfig(loaded, doc);
    WriteConfig(loaded, doc);
    const QByteArray saved = doc.toBytes();

    IniDocument again = IniDocument::fromBytes(saved);
    TConfig reloaded;
    ReadConfig(reloaded, again);
    if (!sameStored(loaded, reloaded))
        std::abort();
    WriteConfig(reloaded, again);
    if (again.toBytes() != saved)
        std::abort();

    const QString wide = QStringLiteral("Élève 学生");
    again.setValue(u"DefaultUser", u"DefaultUserName", wide);
    TConfig widened;
    ReadConfig(widened, IniDocument::fromBytes(again.toBytes()));
    if (widened.DefaultUserName != wide)
        std::abort();
    return 0;
}
