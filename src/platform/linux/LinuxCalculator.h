#pragma once

#include "platform/Calculator.h"

#include <QStringList>

namespace kvizor {

// Starts the first calculator of the usual desktops that is installed.
class LinuxCalculator : public Calculator
{
public:
    // searchPaths: where to look for the programs; empty means PATH.
    explicit LinuxCalculator(const QStringList& searchPaths = {});

    bool start(QString* errorText = nullptr) override;

    // The calculators looked for, in order of preference.
    static QStringList candidates();
    // Full path of the first installed candidate, or empty.
    QString findProgram() const;

private:
    QStringList m_searchPaths;
};

} // namespace kvizor
