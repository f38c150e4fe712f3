#pragma once

#include "net/ServerClient.h"

#include <QTest>

#include <optional>

namespace kvizor::testing {

// The completion of one exchange: what it reported and how often.
template <typename Result = kvizor::ExchangeResult>
struct Awaited
{
    std::optional<Result> result;
    int completions = 0;

    auto completion()
    {
        return [this](const Result& r) {
            ++completions;
            result = r;
        };
    }
    // Processes events until the exchange has ended.
    bool wait(int timeoutMs = 10000)
    {
        return QTest::qWaitFor([this] { return result.has_value(); }, timeoutMs);
    }
};

using AwaitedTest = Awaited<kvizor::GetTestResult>;

} // namespace kvizor::testing
