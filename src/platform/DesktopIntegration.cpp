#include "DesktopIntegration.h"

namespace kvizor {

DesktopIntegration::~DesktopIntegration() = default;

} // namespace kvizor
