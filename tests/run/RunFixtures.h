#pragma once

// Small tests built in code for the run controller tests.

#include "RunHarness.h"

#include "model/Task.h"
#include "model/Test.h"

#include <memory>

namespace kvizor::testing {

struct Fixture
{
    std::unique_ptr<TTest> test = std::make_unique<TTest>();
    TTaskList tasks;

    TTest& t() { return *test; }
    // A single-choice task with three variants whose first one is right.
    TTask& addSingle(int weight = 1, const QString& question = QString())
    {
        auto task = std::make_unique<TTask>(ttSingleChoice);
        task->Weight = weight;
        task->Question = question.isEmpty() ? QStringLiteral("Вопрос %1").arg(tasks.size() + 1) : question;
        for (int k = 0; k < 3; ++k)
            task->Variants[static_cast<std::size_t>(k)] = QStringLiteral("вариант %1").arg(k + 1);
        task->VariantValues[0] = 1;
        tasks.push_back(std::move(task));
        return *tasks.back();
    }
    TTask& addNumber(double value, int weight = 1)
    {
        auto task = std::make_unique<TTask>(ttNumber);
        task->Weight = weight;
        task->Question = QStringLiteral("Число %1").arg(tasks.size() + 1);
        task->NumberValue = value;
        tasks.push_back(std::move(task));
        return *tasks.back();
    }
    TTask& add(std::unique_ptr<TTask> task)
    {
        tasks.push_back(std::move(task));
        return *tasks.back();
    }

    // Hands the test to the controller as the loader would.
    void loadInto(RunHarness& h)
    {
        test->Title = test->Title.isEmpty() ? QStringLiteral("Проверочный тест") : test->Title;
        test->FileName = QStringLiteral("/tests/Проверочный.kvf");
        if (test->FileCRC == 0)
            test->FileCRC = 0xCAFEF00D;
        test->UId = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
        test->CountTasksToAsk(tasks);
        h.c().BeginLoading();
        h.c().TestLoaded(std::move(test), std::move(tasks));
    }
};

inline Fixture singles(int count, int weight = 1)
{
    Fixture f;
    for (int k = 0; k < count; ++k)
        f.addSingle(weight);
    return f;
}

// The answer that is right for a single-choice task of the fixture (variant 1), given the
// variant order on screen.
inline TaskAnswer rightSingle(const QList<int>& order)
{
    TaskAnswer a;
    for (int k = 0; k < order.size(); ++k)
        a.Checked[static_cast<std::size_t>(k)] = order.at(k) == 0;
    return a;
}

inline TaskAnswer wrongSingle(const QList<int>& order)
{
    TaskAnswer a;
    for (int k = 0; k < order.size(); ++k)
        a.Checked[static_cast<std::size_t>(k)] = order.at(k) == 1;
    return a;
}

} // namespace kvizor::testing
