#include "Shuffle.h"

#include <chrono>
#include <random>
#include <utility>

namespace kvizor {

void ShuffleIndexes(QList<int>& values)
{
    if (values.isEmpty())
        return;
    const auto seed = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::mt19937_64 generator(static_cast<std::uint64_t>(seed));
    const qsizetype last = values.size() - 1;
    std::uniform_int_distribution<qsizetype> position(0, last);
    for (qsizetype i = 0; i < 2 * last + 1; ++i) {
        const qsizetype a = position(generator);
        const qsizetype b = position(generator);
        std::swap(values[a], values[b]);
    }
}

} // namespace kvizor
