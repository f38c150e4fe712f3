#pragma once

namespace kvizor {

// The window texts name Windows fonts ("Tahoma", "Times New Roman"). Where those are not
// installed, their metric-compatible stand-ins are named directly, so the font matcher
// does not search the whole system for a fallback each time. An installed original
// still wins.
void installFontStandIns();

} // namespace kvizor
