#pragma once

#include "common/Cp1251.h"
#include "model/Task.h"
#include "model/Test.h"
#include "model/TestFileWriter.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <initializer_list>

#include <functional>

// A list of texts written as UTF-8 literals.
inline QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

// Test files for the window tests, made by our own writer.
inline QString writeTestFile(const QString& path,
                             const std::function<void(kvizor::TTest&, kvizor::TTaskList&)>& setup = {},
                             const QString& title = QStringLiteral("Демо"))
{
    kvizor::TTest test;
    test.Title = title;
    kvizor::TTaskList tasks;
    for (int i = 0; i < 3; ++i) {
        auto task = std::make_unique<kvizor::TTask>(kvizor::ttSingleChoice);
        task->Question = QStringLiteral("Вопрос %1").arg(i + 1);
        task->Variants[0] = QStringLiteral("Да");
        task->Variants[1] = QStringLiteral("Нет");
        task->VariantValues[0] = 1;
        tasks.push_back(std::move(task));
    }
    if (setup)
        setup(test, tasks);
    kvizor::WriteTestFileToPath(path, test, tasks);
    return path;
}

// Reads a Windows-1251 text file; empty when it does not exist.
inline QString readCp1251File(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return kvizor::cp1251::decode(file.readAll());
}
