#include "TestJson.h"

#include "common/Cp1251.h"
#include "model/TestLoader.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>
#include <limits>

namespace kvizor::kvf {
namespace {

[[noreturn]] void fail(const QString& where, const QString& what)
{
    throw JsonError(where.isEmpty() ? what : where + QStringLiteral(": ") + what);
}

void checkKeys(const QJsonObject& object, const QStringList& allowed, const QString& where)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!allowed.contains(it.key()))
            fail(where, QStringLiteral("неизвестный ключ \"%1\"").arg(it.key()));
    }
}

// Text that the test file can hold: every character must have a Windows-1251 byte.
QString text(const QJsonObject& object, const QString& key, const QString& where,
             const QString& fallback = {})
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    QString result;
    if (value.isString()) {
        result = value.toString();
    } else if (value.isArray()) {
        // An array of lines, joined with the line breaks of the editor.
        QStringList lines;
        for (const QJsonValue& line : value.toArray()) {
            if (!line.isString())
                fail(where, QStringLiteral("\"%1\" должен быть строкой или массивом строк").arg(key));
            lines << line.toString();
        }
        result = lines.join(QStringLiteral("\r\n"));
    } else {
        fail(where, QStringLiteral("\"%1\" должен быть строкой").arg(key));
    }
    for (const QChar ch : result) {
        if (cp1251::toByte(ch) < 0)
            fail(where, QStringLiteral("символ U+%1 в \"%2\" не входит в кодировку Windows-1251")
                            .arg(ch.unicode(), 4, 16, QLatin1Char('0'))
                            .arg(key));
    }
    return result;
}

std::int32_t integer(const QJsonObject& object, const QString& key, const QString& where,
                     std::int32_t fallback = 0)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || number != std::trunc(number) ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        fail(where, QStringLiteral("\"%1\" должен быть целым 32-битным числом").arg(key));
    return static_cast<std::int32_t>(number);
}

double real(const QJsonObject& object, const QString& key, const QString& where)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return 0;
    if (!value.isDouble())
        fail(where, QStringLiteral("\"%1\" должен быть числом").arg(key));
    return value.toDouble();
}

bool flag(const QJsonObject& object, const QString& key, const QString& where, bool fallback)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    if (!value.isBool())
        fail(where, QStringLiteral("\"%1\" должен быть true или false").arg(key));
    return value.toBool();
}

QDateTime dateTime(const QJsonObject& object, const QString& key, const QString& where,
                   const QDateTime& fallback)
{
    const QString value = text(object, key, where);
    if (value.isEmpty())
        return fallback;
    QDateTime result = QDateTime::fromString(value, Qt::ISODate);
    if (!result.isValid())
        fail(where, QStringLiteral("\"%1\": дата и время в виде 2024-05-06T10:30:00").arg(key));
    return result;
}

QJsonArray array(const QJsonObject& object, const QString& key, const QString& where)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        fail(where, QStringLiteral("\"%1\" должен быть массивом").arg(key));
    return value.toArray();
}

QJsonObject objectAt(const QJsonArray& items, int i, const QString& where)
{
    if (!items.at(i).isObject())
        fail(where, QStringLiteral("ожидается объект"));
    return items.at(i).toObject();
}

std::uint8_t taskType(const QJsonValue& value, const QString& where)
{
    static const QStringList names{QStringLiteral("singlechoice"), QStringLiteral("multiplechoice"),
                                   QStringLiteral("ordering"),     QStringLiteral("matching"),
                                   QStringLiteral("truefalse"),    QStringLiteral("number"),
                                   QStringLiteral("text"),         QStringLiteral("imagepoint")};
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number >= 0 && number <= 255 && number == std::trunc(number))
            return static_cast<std::uint8_t>(number);
    } else if (value.isString()) {
        QString name = value.toString().toLower();
        if (name.startsWith(QLatin1String("tt")))
            name.remove(0, 2);
        const auto at = names.indexOf(name);
        if (at >= 0)
            return static_cast<std::uint8_t>(at + 1);
    }
    fail(where,
         QStringLiteral("\"type\": номер 1..8 или имя (singleChoice, multipleChoice, ordering, matching, "
                        "trueFalse, number, text, imagePoint)"));
}

template <typename Slots, typename Read>
void fillSlots(const QJsonObject& object, const QString& key, const QString& where, Slots& slots, Read read)
{
    const QJsonArray items = array(object, key, where);
    if (items.size() > TTask::SlotCount)
        fail(where, QStringLiteral("в \"%1\" больше %2 элементов").arg(key).arg(TTask::SlotCount));
    for (int i = 0; i < items.size(); ++i)
        slots[static_cast<std::size_t>(i)] =
            read(items.at(i), QStringLiteral("%1 %2[%3]").arg(where, key).arg(i));
}

class Parser
{
public:
    explicit Parser(const QDir& baseDir) : m_baseDir(baseDir) {}

    TJsonTest parse(const QJsonObject& root)
    {
        checkKeys(root, {QStringLiteral("title"),           QStringLiteral("author"),
                         QStringLiteral("description"),     QStringLiteral("instruction"),
                         QStringLiteral("reservedText1"),   QStringLiteral("reservedText2"),
                         QStringLiteral("randomTaskOrder"), QStringLiteral("randomVariantOrder"),
                         QStringLiteral("testTimeLimit"),   QStringLiteral("taskLimit"),
                         QStringLiteral("educationMode"),   QStringLiteral("penaltyMode"),
                         QStringLiteral("allowSkipping"),   QStringLiteral("allowNetReport"),
                         QStringLiteral("noPartialCredit"), QStringLiteral("openPassword"),
                         QStringLiteral("startPassword"),   QStringLiteral("created"),
                         QStringLiteral("saved"),           QStringLiteral("uid"),
                         QStringLiteral("useThemes"),       QStringLiteral("marks"),
                         QStringLiteral("themes"),          QStringLiteral("tasks"),
                         QStringLiteral("files"),           QStringLiteral("fileText")},
                  QString());
        TJsonTest result;
        result.Test = std::make_unique<TTest>();
        TTest& t = *result.Test;
        const QString where;
        t.Title = text(root, QStringLiteral("title"), where);
        t.Author = text(root, QStringLiteral("author"), where);
        t.Description = text(root, QStringLiteral("description"), where);
        t.Instruction = text(root, QStringLiteral("instruction"), where);
        t.ReservedText1 = text(root, QStringLiteral("reservedText1"), where);
        t.ReservedText2 = text(root, QStringLiteral("reservedText2"), where);
        t.RandomTaskOrder = flag(root, QStringLiteral("randomTaskOrder"), where, false);
        t.RandomVariantOrder = flag(root, QStringLiteral("randomVariantOrder"), where, false);
        t.TestTimeLimit = integer(root, QStringLiteral("testTimeLimit"), where);
        t.TaskLimit = integer(root, QStringLiteral("taskLimit"), where);
        t.EducationMode = flag(root, QStringLiteral("educationMode"), where, false);
        t.PenaltyMode = flag(root, QStringLiteral("penaltyMode"), where, false);
        t.AllowSkipping = flag(root, QStringLiteral("allowSkipping"), where, false);
        t.AllowNetReport = flag(root, QStringLiteral("allowNetReport"), where, true);
        t.NoPartialCredit = flag(root, QStringLiteral("noPartialCredit"), where, true);
        t.OpenPassword = text(root, QStringLiteral("openPassword"), where);
        t.StartPassword = text(root, QStringLiteral("startPassword"), where);
        t.Created = dateTime(root, QStringLiteral("created"), where, t.Created);
        t.Saved = dateTime(root, QStringLiteral("saved"), where, t.Created);
        t.UId = text(root, QStringLiteral("uid"), where);
        t.UseThemes = flag(root, QStringLiteral("useThemes"), where, false);
        if (root.contains(QStringLiteral("fileText")))
            result.Options.Text = cp1251::encode(text(root, QStringLiteral("fileText"), where));

        if (root.contains(QStringLiteral("marks")))
            readMarks(array(root, QStringLiteral("marks"), where), t);
        const QJsonArray themes = array(root, QStringLiteral("themes"), where);
        for (int i = 0; i < themes.size(); ++i) {
            const QString at = QStringLiteral("themes[%1]").arg(i);
            const QJsonObject theme = objectAt(themes, i, at);
            checkKeys(theme,
                      {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("comment"),
                       QStringLiteral("quota"), QStringLiteral("useQuota")},
                      at);
            if (!theme.contains(QStringLiteral("id")))
                fail(at, QStringLiteral("нет \"id\""));
            t.SetTheme(integer(theme, QStringLiteral("id"), at), text(theme, QStringLiteral("name"), at),
                       flag(theme, QStringLiteral("useQuota"), at, false),
                       integer(theme, QStringLiteral("quota"), at),
                       text(theme, QStringLiteral("comment"), at));
        }
        const QJsonArray tasks = array(root, QStringLiteral("tasks"), where);
        for (int i = 0; i < tasks.size(); ++i)
            result.Tasks.push_back(readTask(objectAt(tasks, i, QStringLiteral("tasks[%1]").arg(i)),
                                            QStringLiteral("tasks[%1]").arg(i)));
        const QJsonArray files = array(root, QStringLiteral("files"), where);
        for (int i = 0; i < files.size(); ++i) {
            const QString at = QStringLiteral("files[%1]").arg(i);
            const QJsonObject file = objectAt(files, i, at);
            checkKeys(file, {QStringLiteral("name"), QStringLiteral("path")}, at);
            embed(text(file, QStringLiteral("path"), at), text(file, QStringLiteral("name"), at), at);
        }
        result.Files = m_files;
        t.Modified = false;
        return result;
    }

private:
    void readMarks(const QJsonArray& marks, TTest& t)
    {
        t.Marks.clear();
        for (int i = 0; i < marks.size(); ++i) {
            const QString at = QStringLiteral("marks[%1]").arg(i);
            const QJsonObject mark = objectAt(marks, i, at);
            checkKeys(mark, {QStringLiteral("value"), QStringLiteral("percent"), QStringLiteral("name")}, at);
            t.Marks.append(TMark{integer(mark, QStringLiteral("value"), at, i + 1),
                                 integer(mark, QStringLiteral("percent"), at),
                                 text(mark, QStringLiteral("name"), at)});
        }
    }

    std::unique_ptr<TTask> readTask(const QJsonObject& object, const QString& at)
    {
        checkKeys(
            object,
            {QStringLiteral("type"),          QStringLiteral("question"),      QStringLiteral("image"),
             QStringLiteral("imageFile"),     QStringLiteral("weight"),        QStringLiteral("timeLimit"),
             QStringLiteral("themeId"),       QStringLiteral("hint"),          QStringLiteral("hintPenalty"),
             QStringLiteral("explanation"),   QStringLiteral("variants"),      QStringLiteral("values"),
             QStringLiteral("matchVariants"), QStringLiteral("number"),        QStringLiteral("numberMin"),
             QStringLiteral("numberMax"),     QStringLiteral("numberIsRange"), QStringLiteral("answers"),
             QStringLiteral("caseSensitive"), QStringLiteral("rect")},
            at);
        auto task = std::make_unique<TTask>();
        task->TaskType = taskType(object.value(QStringLiteral("type")), at);
        task->Question = text(object, QStringLiteral("question"), at);
        task->Weight = integer(object, QStringLiteral("weight"), at, 1);
        task->TimeLimit = integer(object, QStringLiteral("timeLimit"), at);
        task->ThemeId = integer(object, QStringLiteral("themeId"), at);
        task->Hint = text(object, QStringLiteral("hint"), at);
        task->HintPenalty = integer(object, QStringLiteral("hintPenalty"), at);
        task->Explanation = text(object, QStringLiteral("explanation"), at);
        fillSlots(object, QStringLiteral("variants"), at, task->Variants,
                  [](const QJsonValue& v, const QString& w) {
                      QJsonObject holder{{QStringLiteral("v"), v}};
                      return text(holder, QStringLiteral("v"), w);
                  });
        fillSlots(object, QStringLiteral("matchVariants"), at, task->MatchVariants,
                  [](const QJsonValue& v, const QString& w) {
                      QJsonObject holder{{QStringLiteral("v"), v}};
                      return text(holder, QStringLiteral("v"), w);
                  });
        fillSlots(object, QStringLiteral("values"), at, task->VariantValues,
                  [](const QJsonValue& v, const QString& w) {
                      QJsonObject holder{{QStringLiteral("v"), v}};
                      return integer(holder, QStringLiteral("v"), w);
                  });
        task->NumberValue = real(object, QStringLiteral("number"), at);
        task->NumberMin = real(object, QStringLiteral("numberMin"), at);
        task->NumberMax = real(object, QStringLiteral("numberMax"), at);
        task->NumberIsRange = flag(object, QStringLiteral("numberIsRange"), at, false);
        task->TextAnswers = text(object, QStringLiteral("answers"), at);
        task->TextCaseSensitive = flag(object, QStringLiteral("caseSensitive"), at, false);
        const QJsonArray rect = array(object, QStringLiteral("rect"), at);
        if (!rect.isEmpty()) {
            if (rect.size() != 4)
                fail(at, QStringLiteral("\"rect\": [left, top, width, height]"));
            QJsonObject holder{{QStringLiteral("left"), rect[0]},
                               {QStringLiteral("top"), rect[1]},
                               {QStringLiteral("width"), rect[2]},
                               {QStringLiteral("height"), rect[3]}};
            task->AnswerRect = {
                integer(holder, QStringLiteral("left"), at), integer(holder, QStringLiteral("top"), at),
                integer(holder, QStringLiteral("width"), at), integer(holder, QStringLiteral("height"), at)};
        }
        const QString image = text(object, QStringLiteral("image"), at);
        task->ImageFile = text(object, QStringLiteral("imageFile"), at);
        if (!image.isEmpty())
            task->ImageFile = embed(image, task->ImageFile, at);
        return task;
    }

    // Adds a file from disk once; returns the name it has in the test.
    QString embed(const QString& path, QString name, const QString& at)
    {
        if (path.isEmpty())
            fail(at, QStringLiteral("нет \"path\""));
        const QFileInfo info(m_baseDir.filePath(path));
        if (!info.isFile())
            fail(at, QStringLiteral("нет файла %1").arg(info.filePath()));
        if (name.isEmpty())
            name = info.fileName();
        if (!IsValidEmbeddedName(name))
            fail(at, QStringLiteral("недопустимое имя файла в тесте: \"%1\"").arg(name));
        for (const TWriterFile& file : m_files) {
            if (file.Name == name) {
                if (QFileInfo(file.SourcePath).canonicalFilePath() != info.canonicalFilePath())
                    fail(at, QStringLiteral("два разных файла с именем %1").arg(name));
                return name;
            }
        }
        m_files.push_back({name, {}, info.filePath()});
        return name;
    }

    QDir m_baseDir;
    std::vector<TWriterFile> m_files;
};

} // namespace

TJsonTest ParseTestJson(const QByteArray& json, const QDir& baseDir)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (document.isNull())
        fail(QString(),
             QStringLiteral("ошибка JSON в позиции %1: %2").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        fail(QString(), QStringLiteral("ожидается объект JSON"));
    return Parser(baseDir).parse(document.object());
}

} // namespace kvizor::kvf
