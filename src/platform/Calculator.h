#pragma once

#include <QString>

#include <memory>

namespace kvizor {

// Starts the desktop's calculator program beside the running program.
class Calculator
{
public:
    virtual ~Calculator();

    // Starts the calculator without waiting for it. On failure errorText says why; the
    // caller shows its own message.
    virtual bool start(QString* errorText = nullptr) = 0;

    // The implementation of this platform.
    static std::unique_ptr<Calculator> create();
};

} // namespace kvizor
