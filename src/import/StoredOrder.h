#pragma once

#include <QList>
#include <QStringView>

#include <cstdint>

namespace kvizor::quiz {

// A seed that depends only on the given texts, so the same source always gives the same file.
std::uint64_t SeedOf(std::initializer_list<QStringView> texts);

// A permutation of 0..n-1 drawn from the seed (its own generator, the same on every platform)
// that is never 0, 1, 2 ... for n >= 2: ordering and matching tasks must not be stored solved.
QList<int> ScrambledOrder(int n, std::uint64_t seed);

} // namespace kvizor::quiz
