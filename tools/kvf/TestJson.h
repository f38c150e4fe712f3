#pragma once

#include "model/TestFileWriter.h"

#include <QDir>
#include <QString>

#include <memory>
#include <stdexcept>

namespace kvizor::kvf {

// A JSON test description that does not describe a test; what() names the place.
class JsonError : public std::runtime_error
{
public:
    explicit JsonError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

struct TJsonTest
{
    std::unique_ptr<TTest> Test;
    TTaskList Tasks;
    std::vector<TWriterFile> Files;
    TWriterOptions Options;
};

// Reads a test description; picture paths are relative to baseDir.
TJsonTest ParseTestJson(const QByteArray& json, const QDir& baseDir);

} // namespace kvizor::kvf
