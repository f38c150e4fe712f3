#pragma once

#include "import/QuizImporter.h"
#include "model/TestLoader.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

// Imports the bytes as a quiz of the given name; whatever is imported must load back as a
// test, or the converter wrote something the program cannot read.
inline void importAndLoad(const QByteArray& data, const QString& name)
{
    using namespace kvizor;
    TImportOptions options;
    options.Limits.Tasks = 200;
    const std::unique_ptr<TQuizImport> import = TQuizImport::FromData(data, name, options);
    if (!import->imported())
        return;
    TWriterOptions writer;
    writer.Level = 1;
    const TLoadResult loaded = LoadTestData(name, import->toTestData(writer), {});
    if (!loaded.loaded() || static_cast<int>(loaded.Tasks.size()) != import->taskCount())
        std::abort();
}
