#include "DesktopIntegration.h"

namespace kvizor {

DesktopIntegration::~DesktopIntegration() = default;

void DesktopIntegration::setLateFailureHandler(std::function<void(const QString&)>)
{
    // Desktops told synchronously have no late failures.
}

} // namespace kvizor
