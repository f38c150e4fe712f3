#pragma once

#include "model/Task.h"
#include "model/Test.h"

#include <QList>

namespace kvizor {

// The task indexes of a run in the order they are asked.
//
// Without topics: every task in file order, shuffled when RandomTaskOrder is set.
// With topics: topic by topic in list order; a topic with a quota of 0 or less gives
// nothing, otherwise its tasks (up to TasksInTheme of them, in file order) are shuffled and
// the first min(Quota, TasksInTheme) taken (all without a quota); without RandomTaskOrder
// each topic's block is sorted back into file order, with it the whole order is shuffled.
// Tasks of no listed topic are never asked.
QList<int> BuildTaskOrder(const TTest& test, const TTaskList& tasks);

} // namespace kvizor
