#include "CacheRefresher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

namespace kvizor {

CacheRefresher::CacheRefresher(FailureHandler onFailure) : m_onFailure(std::move(onFailure)) {}

CacheRefresher::~CacheRefresher()
{
    if (m_current == nullptr)
        return;
    m_current->disconnect(this);
    m_current->kill();
    m_current->waitForFinished(1000);
}

void CacheRefresher::run(const QString& program, const QString& name, const QStringList& arguments)
{
    m_jobs.append(Job{program, name, arguments});
    if (m_current == nullptr)
        startNext();
}

bool CacheRefresher::isIdle() const
{
    return m_current == nullptr && m_jobs.isEmpty();
}

void CacheRefresher::release()
{
    m_released = true;
    m_onFailure = {};
    if (isIdle()) {
        deleteLater();
        return;
    }
    // Still deleted with the application if a tool outlives it.
    setParent(QCoreApplication::instance());
}

void CacheRefresher::startNext()
{
    if (m_jobs.isEmpty()) {
        if (m_released)
            deleteLater();
        return;
    }
    const Job job = m_jobs.takeFirst();
    auto* process = new QProcess(this);
    m_current = process;
    const QString name = job.name;
    process->setStandardOutputFile(QProcess::nullDevice());
    connect(process, &QProcess::errorOccurred, this, [this, process, name](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finished(QStringLiteral("Не удалось запустить %1: %2").arg(name, process->errorString()));
    });
    connect(process, &QProcess::finished, this,
            [this, process, name](int exitCode, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit && exitCode == 0) {
                    finished(std::nullopt);
                    return;
                }
                const QString details = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                finished(QStringLiteral("%1 завершилась с ошибкой (код %2)%3")
                             .arg(name)
                             .arg(exitCode)
                             .arg(details.isEmpty() ? QString() : QStringLiteral(": ") + details));
            });
    QTimer::singleShot(ToolTimeoutMs, process, [this, process, name] {
        if (process != m_current)
            return;
        finished(QStringLiteral("%1 не завершилась вовремя").arg(name));
    });
    process->start(job.program, job.arguments);
}

void CacheRefresher::finished(const std::optional<QString>& errorText)
{
    QProcess* process = m_current;
    m_current = nullptr;
    process->disconnect(this);
    // A tool that hangs is ended here; one that ended is only deleted.
    process->kill();
    process->deleteLater();
    if (errorText && m_onFailure)
        m_onFailure(*errorText);
    startNext();
}

} // namespace kvizor
