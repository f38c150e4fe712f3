#pragma once

// A run that uses every kind of change a journal records: variant orders, a hint, a wrong
// answer, a skip, "Я не знаю", clock ticks and a failed progress report. The examinee
// decides by the record alone, so a run resumed at any point goes on as the uninterrupted
// one did.

#include "RunFixtures.h"
#include "RunHarness.h"

#include "model/TestFileWriter.h"

namespace kvizor::testing {

// Four single-choice tasks of three variants in random order; the second has a hint.
inline Fixture examineeTest()
{
    Fixture f = singles(4, 2);
    f.t().Title = QStringLiteral("Прерываемый тест");
    f.t().AllowSkipping = true;
    f.t().PenaltyMode = true;
    f.t().RandomVariantOrder = true;
    f.t().AllowNetReport = true;
    f.tasks[1]->Hint = QStringLiteral("{\\rtf1 подсказка}");
    f.tasks[1]->HintPenalty = 1;
    return f;
}

// The settings of the run: results reported (the progress report fails), every box answered Yes.
inline void examineeSettings(TConfig& config, RecordingNetwork& network)
{
    config.IsSendResult = true;
    config.IsShowUserResult = false;
    network.processOk = false;
}

// One second passes and the examinee does one thing; false when no run is in progress.
inline bool examineeActs(TRunController& c, ScriptedView& view)
{
    if (c.RunState() != rsTesting || c.StepUnderWay())
        return false;
    c.TimerTestTimer();
    c.TimerTaskTimer();
    const TResultTest& r = *c.RunResult();
    const int i = r.TaskOrder.at(r.CurrentPos);
    switch (i) {
    case 0:
    case 3:
        view.answer = rightSingle(r.VariantOrder);
        c.ACheckAskTaskExecute();
        break;
    case 1:
        if (r.GetTaskPenalty(1) < 0) {
            c.aShowPromptTaskExecute();
        } else {
            view.answer = wrongSingle(r.VariantOrder);
            c.ACheckAskTaskExecute();
        }
        break;
    default:
        if (r.TaskStates.at(3) < 0)
            c.aSkippingTaskExecute();
        else
            c.aIDoNotKnowExecute();
        break;
    }
    return true;
}

// The record without what depends on when and how long (start, end, clocks).
inline TResultTest withoutTimes(TResultTest r)
{
    r.StartTime = r.EndTime = r.TestDate = 0;
    r.ElapsedSeconds = 0;
    for (std::int32_t& seconds : r.TaskSeconds)
        seconds = seconds >= 0 ? 0 : -1;
    return r;
}

} // namespace kvizor::testing
