#include "StoredOrder.h"

#include <algorithm>
#include <numeric>

namespace kvizor::quiz {
namespace {

// splitmix64: small, fast, and fully defined by its seed.
std::uint64_t nextRandom(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

std::uint64_t SeedOf(std::initializer_list<QStringView> texts)
{
    // FNV-1a over the UTF-16 units, with a separator between the texts.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const QStringView text : texts) {
        for (const QChar c : text) {
            hash = (hash ^ c.unicode()) * 0x100000001B3ull;
        }
        hash = (hash ^ 0xFFFFu) * 0x100000001B3ull;
    }
    return hash;
}

QList<int> ScrambledOrder(int n, std::uint64_t seed)
{
    QList<int> order(std::max(n, 0));
    std::iota(order.begin(), order.end(), 0);
    std::uint64_t state = seed;
    for (int i = n - 1; i > 0; --i) {
        const int k = static_cast<int>(nextRandom(state) % static_cast<std::uint64_t>(i + 1));
        std::swap(order[i], order[k]);
    }
    if (n >= 2 && std::is_sorted(order.begin(), order.end()))
        std::rotate(order.begin(), order.begin() + 1, order.end());
    return order;
}

} // namespace kvizor::quiz
