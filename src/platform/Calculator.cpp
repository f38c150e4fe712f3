#include "Calculator.h"

namespace kvizor {

Calculator::~Calculator() = default;

} // namespace kvizor
