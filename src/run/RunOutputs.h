#pragma once

#include "model/Task.h"
#include "model/Test.h"
#include "results/SharedResultFile.h"

#include <QString>

#include <functional>

namespace kvizor {

class TResultTest;

// The end-of-run outputs and the result log, built by the results, platform and window
// modules. Every call catches and reports its own failures, so a failure never stops the
// steps after it. The defaults do nothing (and a record is written at once).
class IRunOutputs
{
public:
    virtual ~IRunOutputs() = default;

    // Appends one complete line (date-time included, no line break) to the result log.
    virtual void WriteLogLine(const QString& line) { (void)line; }
    virtual void PlayEndTestSound() {}
    // The examinee's summary in the question area.
    virtual void ShowUserResult(const TResultTest& result, const TTest& test)
    {
        (void)result;
        (void)test;
    }
    // The run's record in the log, an output that may have to wait for the log's lock. done
    // comes once, at once or later from the event loop; with false only when the wait was
    // abandoned (EndLogWait), so nothing was written and the record is still owed. The record
    // is read only during the call.
    using WriteDone = std::function<void(bool written)>;
    virtual void SaveResultLog(const TResultTest& result, const WriteDone& done)
    {
        (void)result;
        done(true);
    }
    // Cuts short the wait of the record for the log's lock (see LockWaitEnd).
    virtual void EndLogWait(LockWaitEnd how) { (void)how; }
    // The result window, modal; only called when the settings show results.
    virtual void ShowResultWindow(const TResultTest& result, const TTest& test)
    {
        (void)result;
        (void)test;
    }
    // The per-task report, modal.
    virtual void ShowDetailReport(const TResultTest& result, const TTest& test, const TTaskList& tasks)
    {
        (void)result;
        (void)test;
        (void)tasks;
    }
};

// The test-server reports of a run. The controller calls them only when the settings and
// the test allow it (and, for INFOPROCESS, while earlier reports got through). Each starts
// an exchange and calls done exactly once when it has ended, with false when it failed
// (the controller reports that); done may come at once, inside the call, or later from the
// event loop. The record is read only during the call. The defaults succeed at once.
class IRunNetwork
{
public:
    using Done = std::function<void(bool ok)>;

    virtual ~IRunNetwork() = default;

    virtual void SendInfoBegin(const QString& runGuid, const TResultTest& result, const Done& done)
    {
        (void)runGuid;
        (void)result;
        done(true);
    }
    virtual void SendInfoProcess(const QString& runGuid, const TResultTest& result, const Done& done)
    {
        (void)runGuid;
        (void)result;
        done(true);
    }
    virtual void SendResult(const QString& runGuid, const TResultTest& result, const Done& done)
    {
        (void)runGuid;
        (void)result;
        done(true);
    }
    // Ends the exchange under way as a failure; its done still comes, once.
    virtual void Cancel() {}
};

} // namespace kvizor
