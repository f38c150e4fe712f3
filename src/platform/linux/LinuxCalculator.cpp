#include "LinuxCalculator.h"

#include <QProcess>
#include <QStandardPaths>

namespace kvizor {

std::unique_ptr<Calculator> Calculator::create()
{
    return std::make_unique<LinuxCalculator>();
}

LinuxCalculator::LinuxCalculator(const QStringList& searchPaths) : m_searchPaths(searchPaths) {}

QStringList LinuxCalculator::candidates()
{
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),         QStringLiteral("mate-calc"),
            QStringLiteral("galculator"),       QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")};
}

QString LinuxCalculator::findProgram() const
{
    for (const QString& name : candidates()) {
        const QString path = QStandardPaths::findExecutable(name, m_searchPaths);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool LinuxCalculator::start(QString* errorText)
{
    const QString program = findProgram();
    if (program.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("Не найден ни один калькулятор (%1)")
                             .arg(candidates().join(QLatin1String(", ")));
        return false;
    }
    if (!QProcess::startDetached(program, {})) {
        if (errorText)
            *errorText = QStringLiteral("Не удалось запустить %1").arg(program);
        return false;
    }
    return true;
}

} // namespace kvizor
