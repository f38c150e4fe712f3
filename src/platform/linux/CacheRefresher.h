#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QProcess;

namespace kvizor {

// Runs the desktop's cache tools (update-mime-database, update-desktop-database) one
// after another in the background, so that no window waits for them; keeping them in
// order means a later run always has the last word. A tool that fails or hangs is told to
// the failure handler with the program's text for it.
class CacheRefresher : public QObject
{
public:
    using FailureHandler = std::function<void(const QString& errorText)>;

    static constexpr int ToolTimeoutMs = 30000;

    explicit CacheRefresher(FailureHandler onFailure = {});
    ~CacheRefresher() override;

    void setFailureHandler(FailureHandler onFailure) { m_onFailure = std::move(onFailure); }
    // name is what messages call the tool.
    void run(const QString& program, const QString& name, const QStringList& arguments);
    bool isIdle() const;
    // For an owner that goes away: the tools still queued run to the end unobserved, and the
    // refresher deletes itself afterwards.
    void release();

private:
    struct Job
    {
        QString program;
        QString name;
        QStringList arguments;
    };

    void startNext();
    void finished(const std::optional<QString>& errorText);

    QList<Job> m_jobs;
    QProcess* m_current = nullptr;
    FailureHandler m_onFailure;
    bool m_released = false;
};

} // namespace kvizor
