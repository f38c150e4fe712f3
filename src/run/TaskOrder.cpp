#include "TaskOrder.h"

#include "common/Shuffle.h"

#include <QHash>

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
        // The tasks of every topic gathered in one pass, so many topics cost linear time.
        QHash<std::int32_t, QList<int>> byTheme;
        for (int i = 0; i < count; ++i)
            byTheme[tasks[static_cast<std::size_t>(i)]->ThemeId].append(i);
        for (const TTheme& theme : test.Themes) {
            // A negative quota counts as 0.
            const int quota = std::max(theme.Quota, 0);
            if (theme.UseQuota && quota == 0)
                continue;
            const QList<int> all = byTheme.value(theme.Id);
            QList<int> block = all.first(std::clamp<qsizetype>(theme.TasksInTheme, 0, all.size()));
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
