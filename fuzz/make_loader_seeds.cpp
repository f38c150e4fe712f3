// Writes the seed corpus of fuzz_loader into the folder given as the argument.
#include "common/BinaryWriter.h"
#include "model/TestFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace kvizor;

namespace {

struct Sample
{
    std::unique_ptr<TTest> test = std::make_unique<TTest>();
    TTaskList tasks;
    std::vector<TWriterFile> files;
};

Sample fullSample()
{
    Sample s;
    TTest& t = *s.test;
    t.Title = QStringLiteral("Тест");
    t.OpenPassword = QStringLiteral("fuzz");
    t.UseThemes = true;
    t.SetTheme(1, QStringLiteral("Т"), true, 1, QString());
    for (int type = 0; type <= 9; ++type) {
        auto task = std::make_unique<TTask>();
        task->TaskType = static_cast<std::uint8_t>(type);
        task->ThemeId = type % 2;
        task->Variants[0] = QStringLiteral("а");
        task->Variants[2] = QStringLiteral("в");
        task->VariantValues[0] = 1;
        task->MatchVariants[1] = QStringLiteral("м");
        task->TextAnswers = QStringLiteral("ответ");
        task->AnswerRect = {1, 2, 3, 4};
        s.tasks.push_back(std::move(task));
    }
    s.files.push_back({QStringLiteral("a.png"), QByteArray("\x89PNG\r\n\x1a\n", 8), {}});
    s.files.push_back({QStringLiteral("empty"), QByteArray(), {}});
    return s;
}

QByteArray body(const Sample& s)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter w(buffer);
    s.test->SaveToStream(w);
    w.writeInt32(static_cast<std::int32_t>(s.tasks.size()));
    for (const auto& task : s.tasks)
        task->SaveToStream(w);
    w.writeInt32(static_cast<std::int32_t>(s.files.size()));
    for (const TWriterFile& file : s.files) {
        w.writeLstr(file.Name);
        w.writeInt32(static_cast<std::int32_t>(file.Bytes.size()));
        w.writeBytes(file.Bytes);
    }
    return buffer.data();
}

bool save(const QDir& dir, const QString& name, char mode, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.putChar(mode) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: make_loader_seeds FOLDER\n", stderr);
        return 1;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const Sample full = fullSample();
    const Sample empty;
    bool ok =
        save(dir, QStringLiteral("stored-full"), 1, WriteTestFileData(*full.test, full.tasks, full.files));
    ok = save(dir, QStringLiteral("stored-empty"), 1, WriteTestFileData(*empty.test, empty.tasks)) && ok;
    ok = save(dir, QStringLiteral("body-full"), 0, body(full)) && ok;
    ok = save(dir, QStringLiteral("body-empty"), 0, body(empty)) && ok;
    return ok ? 0 : 2;
}
