#include "Commands.h"

#include "common/TextFormats.h"
#include "model/TestLoader.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace kvizor::kvf {
namespace {

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

QJsonObject toJson(const TLoadResult& loaded)
{
    const TTest& t = *loaded.Test;
    QJsonObject root;
    root[QStringLiteral("title")] = t.Title;
    root[QStringLiteral("author")] = t.Author;
    root[QStringLiteral("taskCount")] = static_cast<qint64>(loaded.Tasks.size());
    root[QStringLiteral("tasksToAsk")] = t.TasksToAsk;
    root[QStringLiteral("taskLimit")] = t.TaskLimit;
    root[QStringLiteral("testTimeLimit")] = t.TestTimeLimit;
    root[QStringLiteral("crc")] = crcText(t.FileCRC);
    root[QStringLiteral("uid")] = t.UId;
    root[QStringLiteral("useThemes")] = t.UseThemes;
    root[QStringLiteral("flags")] = QJsonObject{
        {QStringLiteral("randomTaskOrder"), t.RandomTaskOrder},
        {QStringLiteral("randomVariantOrder"), t.RandomVariantOrder},
        {QStringLiteral("educationMode"), t.EducationMode},
        {QStringLiteral("penaltyMode"), t.PenaltyMode},
        {QStringLiteral("allowSkipping"), t.AllowSkipping},
        {QStringLiteral("allowNetReport"), t.AllowNetReport},
        {QStringLiteral("noPartialCredit"), t.NoPartialCredit},
    };
    QJsonArray marks;
    for (const TMark& mark : t.Marks)
        marks.append(QJsonObject{{QStringLiteral("value"), mark.Value},
                                 {QStringLiteral("percent"), mark.Percent},
                                 {QStringLiteral("name"), mark.Name}});
    root[QStringLiteral("marks")] = marks;
    QJsonArray themes;
    for (const TTheme& theme : t.Themes)
        themes.append(QJsonObject{{QStringLiteral("id"), theme.Id},
                                  {QStringLiteral("name"), theme.Name},
                                  {QStringLiteral("quota"), theme.Quota},
                                  {QStringLiteral("useQuota"), theme.UseQuota},
                                  {QStringLiteral("tasksInTheme"), theme.TasksInTheme}});
    root[QStringLiteral("themes")] = themes;
    QJsonArray tasks;
    for (const auto& task : loaded.Tasks)
        tasks.append(QJsonObject{{QStringLiteral("type"), int(task->TaskType)},
                                 {QStringLiteral("weight"), task->Weight},
                                 {QStringLiteral("timeLimit"), task->TimeLimit},
                                 {QStringLiteral("themeId"), task->ThemeId},
                                 {QStringLiteral("variantCount"), task->VariantCount()},
                                 {QStringLiteral("matchVariantCount"), task->MatchVariantCount()},
                                 {QStringLiteral("imageFile"), task->ImageFile},
                                 {QStringLiteral("hintPenalty"), task->HintPenalty}});
    root[QStringLiteral("tasks")] = tasks;
    QJsonArray files;
    for (const TEmbeddedFile& file : loaded.Files)
        files.append(QJsonObject{{QStringLiteral("name"), file.Name},
                                 {QStringLiteral("size"), static_cast<qint64>(file.Size)}});
    root[QStringLiteral("files")] = files;
    return root;
}

QString typeName(std::uint8_t type)
{
    static const char* const names[] = {"без типа",   "один из вариантов", "несколько вариантов",
                                        "порядок",    "соответствие",      "да/нет",
                                        "ввод числа", "ввод текста",       "место на изображении"};
    return type <= 8 ? QString::fromUtf8(names[type]) : QStringLiteral("тип %1").arg(type);
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("да") : QStringLiteral("нет");
}

// Rich text is shown only as a short preview of its first line.
QString preview(const QString& text)
{
    if (text.startsWith(QLatin1String("{\\rtf")))
        return QStringLiteral("(RTF, %1 символов)").arg(text.size());
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (line.size() > 70)
        line = line.left(67) + QStringLiteral("...");
    return line;
}

QString toText(const TLoadResult& loaded)
{
    const TTest& t = *loaded.Test;
    QStringList out;
    out << QStringLiteral("Тест: %1").arg(t.Title);
    if (!t.Author.isEmpty())
        out << QStringLiteral("Автор: %1").arg(t.Author);
    out << QStringLiteral("Заданий: %1, будет задано: %2, ограничение: %3")
               .arg(loaded.Tasks.size())
               .arg(t.TasksToAsk)
               .arg(t.TaskLimit);
    out << QStringLiteral("Время на тест: %1")
               .arg(t.TestTimeLimit > 0 ? formatDuration(t.TestTimeLimit)
                                        : QStringLiteral("без ограничения"));
    out << QStringLiteral("CRC: %1").arg(crcText(t.FileCRC));
    out << QStringLiteral("UID: %1").arg(t.UId);
    out << QStringLiteral("Случайный порядок заданий: %1, вариантов: %2")
               .arg(yesNo(t.RandomTaskOrder), yesNo(t.RandomVariantOrder));
    out << QStringLiteral("Обучение: %1, штрафы: %2, пропуск: %3, отчёт по сети: %4, только полный ответ: %5")
               .arg(yesNo(t.EducationMode), yesNo(t.PenaltyMode), yesNo(t.AllowSkipping),
                    yesNo(t.AllowNetReport), yesNo(t.NoPartialCredit));
    out << QStringLiteral("Пароль запуска: %1").arg(yesNo(!t.StartPassword.isEmpty()));
    out << QStringLiteral("Оценки:");
    for (const TMark& mark : t.Marks)
        out << QStringLiteral("  %1 (от %2%) %3").arg(mark.Value).arg(mark.Percent).arg(mark.Name);
    out << QStringLiteral("Темы%1:").arg(t.UseThemes ? QString() : QStringLiteral(" (не используются)"));
    for (const TTheme& theme : t.Themes)
        out << QStringLiteral("  [%1] %2: заданий %3%4")
                   .arg(theme.Id)
                   .arg(theme.Name)
                   .arg(theme.TasksInTheme)
                   .arg(theme.UseQuota ? QStringLiteral(", задать %1").arg(theme.Quota) : QString());
    out << QStringLiteral("Задания:");
    int number = 0;
    for (const auto& task : loaded.Tasks) {
        QString line =
            QStringLiteral("  %1. %2, цена %3").arg(++number).arg(typeName(task->TaskType)).arg(task->Weight);
        if (task->HasVariants())
            line += QStringLiteral(", вариантов %1").arg(task->VariantCount());
        if (task->TimeLimit > 0)
            line += QStringLiteral(", время %1 с").arg(task->TimeLimit);
        if (!task->ImageFile.isEmpty())
            line += QStringLiteral(", рисунок %1").arg(task->ImageFile);
        if (!task->Hint.isEmpty())
            line += QStringLiteral(", подсказка (штраф %1)").arg(task->HintPenalty);
        out << line << QStringLiteral("     %1").arg(preview(task->Question));
    }
    out << QStringLiteral("Файлы:");
    for (const TEmbeddedFile& file : loaded.Files)
        out << QStringLiteral("  %1 (%2 байт)").arg(file.Name).arg(file.Size);
    return out.join(QLatin1Char('\n'));
}

} // namespace

// kvf info [--json] [--password P] FILE.kvf
int runInfo(const QStringList& args)
{
    bool json = false;
    std::optional<QString> password;
    QString path;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg == QLatin1String("--password") && i + 1 < args.size()) {
            password = args.at(++i);
        } else if (path.isEmpty() && !arg.startsWith(QLatin1String("--"))) {
            path = arg;
        } else {
            path.clear();
            break;
        }
    }
    if (path.isEmpty()) {
        printError(QStringLiteral("usage: kvf info [--json] [--password P] FILE.kvf"));
        return 1;
    }
    // Without --password a protected test counts as a wrong password, not as a cancel.
    const TLoadResult loaded =
        LoadTestFile(path, [&]() -> std::optional<QString> { return password.value_or(QString()); });
    if (!loaded.loaded()) {
        QString message = loaded.message();
        if (loaded.Outcome == TLoadOutcome::Nothing)
            message = QStringLiteral("Файл не найден: %1").arg(path);
        printError(message);
        return 2;
    }
    if (json)
        printOut(QString::fromUtf8(QJsonDocument(toJson(loaded)).toJson(QJsonDocument::Indented)).trimmed());
    else
        printOut(toText(loaded));
    return 0;
}

} // namespace kvizor::kvf
