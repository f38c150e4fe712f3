#pragma once

#include <QString>
#include <QStringList>

namespace kvizor {

// The window texts name Windows fonts ("Tahoma", "Times New Roman"). Where those are not
// installed, their metric-compatible stand-ins are named directly, so the font matcher
// does not search the whole system for a fallback each time. An installed original
// still wins. The substitutions serve the fonts that test texts name.
void installFontStandIns();

// The families the window asks for: the Windows font where installed, else its first
// installed stand-in. Asking for a family that is not installed makes Qt sort every font of
// the system for a fallback at each new size and weight, a large part of the start-up
// time; the answer is found once.
QString TahomaFamily();
QString TimesNewRomanFamily();

// The rule behind them: family when installed, else the first installed of standIns, else
// family as it is (left to Qt's own matching).
QString InstalledFamily(const QString& family, const QStringList& standIns);

} // namespace kvizor
