#pragma once

#include <QList>

namespace kvizor {

// Re-seeds from the clock on every call, then makes 2*H + 1 exchanges (H = index of the
// last element) of two positions drawn independently from 0..H.
void ShuffleIndexes(QList<int>& values);

} // namespace kvizor
