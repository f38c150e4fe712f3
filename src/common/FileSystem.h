#pragma once

#include <QString>

namespace kvizor {

// Deletes a folder with everything in it. Once one deletion failed, further subfolders
// are left alone. Returns false on any failure, with the system's text in errorText.
bool DeleteFolder(const QString& path, QString* errorText = nullptr);

} // namespace kvizor
