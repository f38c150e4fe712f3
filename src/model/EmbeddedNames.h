#pragma once

#include <QString>

namespace kvizor {

// An embedded file name the loader accepts: a plain file name, no folder part, nothing that
// leads elsewhere or that a file system refuses. A task's picture name follows the same rule.
bool IsValidEmbeddedName(const QString& name);

// Names with the same key name one file: the tests were made where letter case does not
// tell files apart.
QString EmbeddedNameKey(const QString& name);

// The file a task's picture name refers to in the test's folder, the exact name first, else
// one whose name differs only in letter case. Empty when the name is not a valid embedded
// name or no such file exists, so a bad name behaves like a missing picture.
QString FindPictureFile(const QString& folder, const QString& imageFile);

} // namespace kvizor
