#include "TaskOrder.h"

#include "common/Shuffle.h"

#include <algorithm>

namespace kvizor {

QList<int> BuildTaskOrder(const TTest& test, const TTaskList& tasks)
{
    const int count = static_cast<int>(tasks.size());
    QList<int> order;
    if (!test.UseThemes) {
        for (int i = 0; i < count; ++i)
            order.append(i);
    } else {
        for (const TTheme& theme : test.Themes) {
            // A negative quota counts as 0.
            const int quota = std::max(theme.Quota, 0);
            if (theme.UseQuota && quota == 0)
                continue;
            QList<int> block;
            for (int i = 0; i < count && block.size() < theme.TasksInTheme; ++i) {
                if (tasks[static_cast<std::size_t>(i)]->ThemeId == theme.Id)
                    block.append(i);
            }
            ShuffleIndexes(block);
            if (theme.UseQuota && quota < block.size())
                block.resize(quota);
            if (!test.RandomTaskOrder)
                std::sort(block.begin(), block.end());
            order.append(block);
        }
    }
    if (test.RandomTaskOrder)
        ShuffleIndexes(order);
    return order;
}

} // namespace kvizor
