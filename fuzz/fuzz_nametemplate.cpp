// Identification templates come from the settings file: any template, valid or not, and
// any entry are matched without harm. Input: Windows-1251 bytes, template and entry
// separated by the first zero byte.
#include "common/Cp1251.h"
#include "run/NameTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kvizor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = input.indexOf('\0');
    const QString expression = cp1251::decode(cut < 0 ? input : input.first(cut));
    const QString entry = cut < 0 ? QString() : cp1251::decode(input.sliced(cut + 1));
    const NameTemplate pattern(expression);
    const bool matched = pattern.matches(NormalizeSpaces(entry));
    // An invalid template never accepts; an empty one always does.
    if (!pattern.isValid() && matched)
        std::abort();
    if (expression.isEmpty() && !matched)
        std::abort();
    if (!pattern.isValid() && pattern.errorText().isEmpty())
        std::abort();
    return 0;
}
