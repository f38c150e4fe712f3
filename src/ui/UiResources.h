#pragma once

namespace kvizor {

// Registers the resources of the window library (licence text, help pages); a static
// library's resources are not registered on their own. Safe to call more than once.
void initUiResources();

} // namespace kvizor
