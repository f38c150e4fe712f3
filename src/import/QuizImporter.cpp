#include "QuizImporter.h"

#include "CodePageText.h"
#include "GiftReader.h"
#include "MoodleXmlReader.h"
#include "QuestionConverter.h"

#include "common/BinaryWriter.h"
#include "common/Cp1251.h"
#include "common/FormatError.h"
#include "model/Crc32.h"
#include "model/Scrambler.h"
#include "model/TestFormat.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>
#include <map>

namespace kvizor {
namespace {

// GIFT is read whole; a text quiz beyond this is no quiz a school writes by hand.
constexpr qint64 kMaxGiftBytes = 64 * 1024 * 1024;
// A title longer than this is cut.
constexpr qsizetype kMaxTitle = 1000;
// Sources above this spool their tasks to a temporary file rather than to memory.
constexpr qint64 kMemorySpoolBytes = 4 * 1024 * 1024;

// Names the tests made from one source alike: the identifier follows the source's content.
const QUuid kUidNamespace(QStringLiteral("{5b0f7a53-3c2e-4d7e-9a41-6a1d0c2f8e17}"));

QByteArrayView withoutUtf8Bom(QByteArrayView data)
{
    return data.startsWith("\xEF\xBB\xBF") ? data.sliced(3) : data;
}

bool isXmlStart(QByteArrayView data)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return true;
    for (const char c : withoutUtf8Bom(data)) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        return c == '<';
    }
    return false;
}

// The magic word of our own test files, unscrambled.
bool isTestFile(QByteArrayView data)
{
    if (data.size() < format::kMagicSize)
        return false;
    char plain[format::kMagicSize];
    TDescrambler(TestFileKey).process(data.data(), plain, format::kMagicSize);
    return QByteArrayView(plain, format::kMagicSize) == QByteArrayView(format::kMagic, format::kMagicSize);
}

// GIFT is UTF-8; a file that is not is read as Windows-1251, the other code page of schools.
QString decodeText(QByteArrayView data, bool* wasUtf8)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(withoutUtf8Bom(data));
    *wasUtf8 = !utf8.hasError();
    return *wasUtf8 ? text : cp1251::decode(data);
}

QString lastCategoryPart(const QString& path)
{
    // "//" is a slash inside a category name.
    QStringList parts{QString()};
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] == u'/') {
            if (i + 1 < path.size() && path[i + 1] == u'/') {
                parts.last() += u'/';
                ++i;
            } else {
                parts.append(QString());
            }
            continue;
        }
        parts.last() += path[i];
    }
    for (auto it = parts.crbegin(); it != parts.crend(); ++it) {
        if (!it->trimmed().isEmpty())
            return it->trimmed();
    }
    return path.trimmed();
}

QString uidFor(std::uint32_t crc, qint64 size)
{
    const QByteArray key = QByteArray::number(crc, 16) + ':' + QByteArray::number(size);
    return QUuid::createUuidV5(kUidNamespace, key).toString(QUuid::WithBraces).toUpper();
}

} // namespace

TWriterOptions ImportWriterOptions()
{
    TWriterOptions options;
    options.Level = 4;
    return options;
}

bool IsQuizSourceName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    return suffix == QLatin1String("XML") || suffix == QLatin1String("GIFT");
}

TQuizFormat DetectQuizFormat(QByteArrayView data)
{
    // Scrambled bytes may look like anything, text included.
    if (isTestFile(data))
        return TQuizFormat::Unknown;
    if (isXmlStart(data))
        return TQuizFormat::MoodleXml;
    if (data.contains('\0'))
        return TQuizFormat::Unknown;
    bool utf8 = false;
    return quiz::LooksLikeGift(decodeText(data, &utf8)) ? TQuizFormat::Gift : TQuizFormat::Unknown;
}

// Turns the questions of a source into spooled task records, topics and warnings.
class TQuizImport::Builder
{
public:
    Builder(TQuizImport& import, const TImportOptions& options) : m_import(import), m_limits(options.Limits)
    {
        m_converter.HintPenalty = options.HintPenalty;
        m_textBytes = headerTextBytes(*m_import.m_test);
    }

    void add(const quiz::QuizQuestion& question)
    {
        if (question.Kind == quiz::QuizKind::Category) {
            setCategory(question.CategoryPath);
            return;
        }
        if (m_import.m_taskCount >= m_limits.Tasks || m_textFull) {
            ++m_beyondLimit;
            return;
        }
        quiz::ConvertedQuestion converted = m_converter.convert(question);
        m_import.m_warnings += converted.Warnings;
        if (!converted.Task)
            return;
        // The loader refuses a test with a longer text, or more text in all.
        const std::int64_t bytes = textBytes(*converted.Task);
        const std::int64_t withTopic = bytes + topicBytes();
        if (bytes < 0) {
            warn(QStringLiteral(
                     "Вопрос %1: пропущен: его текст с рисунками длиннее, чем может храниться в тесте.")
                     .arg(quiz::QuestionLabel(question)));
            return;
        }
        if (m_textBytes + withTopic > m_limits.AllTextBytes) {
            m_textFull = true;
            ++m_beyondLimit;
            return;
        }
        m_textBytes += withTopic;
        converted.Task->ThemeId = currentTopic();
        converted.Task->SaveToStream(m_writer);
        ++m_import.m_taskCount;
    }

    void warn(const QString& text) { m_import.m_warnings.append(text); }

    void finish()
    {
        if (m_beyondLimit == 0)
            return;
        if (m_textFull)
            warn(QStringLiteral(
                     "Тексты вопросов вместе длиннее, чем может храниться в тесте: остальные вопросы "
                     "(%1) пропущены.")
                     .arg(m_beyondLimit));
        else
            warn(QStringLiteral("В тест вошли первые %1 заданий: остальные вопросы (%2) пропущены.")
                     .arg(m_limits.Tasks)
                     .arg(m_beyondLimit));
    }

    BinaryWriter& writer() { return m_writer; }

private:
    static std::int64_t headerTextBytes(const TTest& test)
    {
        std::int64_t total = 0;
        for (const QString* text :
             {&test.Title, &test.Author, &test.Description, &test.Instruction, &test.ReservedText1,
              &test.ReservedText2, &test.OpenPassword, &test.StartPassword, &test.UId})
            total += text->size();
        for (const TMark& mark : test.Marks)
            total += mark.Name.size();
        for (const TTheme& theme : test.Themes)
            total += theme.Name.size() + theme.Comment.size();
        return total;
    }
    static constexpr qsizetype kMaxTopicName = 255;
    static constexpr qsizetype kMaxTopicComment = 1000;

    // The bytes the task's texts take in the file (one per character), or -1 when one of
    // them is longer than a test may hold.
    std::int64_t textBytes(const TTask& task) const
    {
        std::int64_t total = 0;
        bool tooLong = false;
        auto add = [&](const QString& text) {
            tooLong = tooLong || text.size() > m_limits.TextBytes;
            total += text.size();
        };
        for (const QString* text :
             {&task.Question, &task.ImageFile, &task.Hint, &task.Explanation, &task.TextAnswers})
            add(*text);
        for (const QString& text : task.Variants)
            add(text);
        for (const QString& text : task.MatchVariants)
            add(text);
        return tooLong ? -1 : total;
    }

    // The topic of the current category as it would be stored, made when the category is met.
    void setCategory(const QString& path)
    {
        m_category = {};
        m_category.Path = path;
        if (path.isEmpty() || m_topics.count(path) > 0)
            return;
        m_category.Name = quiz::ToCodePageText(lastCategoryPart(path), &m_category.Lost).left(kMaxTopicName);
        m_category.Comment = quiz::ToCodePageText(path).left(kMaxTopicComment);
    }

    // The text bytes a task of the current category adds to the header: its new topic.
    std::int64_t topicBytes() const
    {
        return m_category.Path.isEmpty() || m_topics.count(m_category.Path) > 0
                   ? 0
                   : m_category.Name.size() + m_category.Comment.size();
    }

    std::int32_t currentTopic()
    {
        if (m_category.Path.isEmpty())
            return 0;
        if (const auto it = m_topics.find(m_category.Path); it != m_topics.end())
            return it->second;
        const std::int32_t id = static_cast<std::int32_t>(m_topics.size()) + 1;
        m_topics.emplace(m_category.Path, id);
        if (!m_category.Lost.isEmpty())
            warn(QStringLiteral(
                     "Категория «%1»: символы, которых нет в кодировке Windows-1251, заменены на «?»: %2.")
                     .arg(m_category.Path, m_category.Lost.join(QStringLiteral(" "))));
        m_import.m_test->SetTheme(id, m_category.Name, false, 0, m_category.Comment);
        return id;
    }

    struct Category
    {
        QString Path;
        QString Name;
        QString Comment;
        QStringList Lost;
    };

    TQuizImport& m_import;
    quiz::QuestionConverter m_converter;
    Category m_category;
    std::map<QString, std::int32_t> m_topics;
    const format::TTestLimits m_limits;
    int m_beyondLimit = 0;
    std::int64_t m_textBytes = 0;
    bool m_textFull = false;
    BinaryWriter m_writer{*m_import.m_records};
};

struct TQuizImport::Source
{
    QString Name;
    QDateTime Modified;
    std::uint32_t Crc = 0;
    qint64 Size = 0;
};

TQuizImport::TQuizImport() = default;
TQuizImport::~TQuizImport() = default;

namespace {

const QString kNotAQuiz = QStringLiteral("Файл не является тестом Moodle XML или GIFT.");

std::unique_ptr<QIODevice> openSpool(qint64 sourceSize)
{
    if (sourceSize > kMemorySpoolBytes) {
        auto file = std::make_unique<QTemporaryFile>();
        if (file->open())
            return file;
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::ReadWrite);
    return buffer;
}

} // namespace

void TQuizImport::fail(TImportOutcome outcome, const QString& message)
{
    m_outcome = outcome;
    m_message = message;
}

std::unique_ptr<TQuizImport> TQuizImport::FromFile(const QString& path, const TImportOptions& options)
{
    std::unique_ptr<TQuizImport> import(new TQuizImport);
    // A device or a pipe could be read forever.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        import->fail(TImportOutcome::ReadError,
                     QStringLiteral("Не удалось прочитать файл «%1»: это не обычный файл.").arg(path));
        return import;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        import->fail(TImportOutcome::ReadError,
                     QStringLiteral("Не удалось открыть файл «%1»: %2").arg(path, file.errorString()));
        return import;
    }
    const Source source{path, QFileInfo(path).lastModified(), FileCRC32(path), file.size()};
    import->m_sourceCrc = source.Crc;
    import->m_records = openSpool(file.size());
    if (isXmlStart(file.peek(4096))) {
        import->read(TQuizFormat::MoodleXml, &file, nullptr, source, options);
        return import;
    }
    if (file.size() > kMaxGiftBytes) {
        import->fail(TImportOutcome::NotAQuiz, kNotAQuiz);
        return import;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        import->fail(TImportOutcome::ReadError,
                     QStringLiteral("Не удалось прочитать файл «%1»: %2").arg(path, file.errorString()));
        return import;
    }
    import->read(DetectQuizFormat(data), nullptr, &data, source, options);
    return import;
}

std::unique_ptr<TQuizImport> TQuizImport::FromData(const QByteArray& data, const QString& name,
                                                   const TImportOptions& options)
{
    std::unique_ptr<TQuizImport> import(new TQuizImport);
    const Source source{name, {}, BufferCRC32(data), data.size()};
    import->m_sourceCrc = source.Crc;
    import->m_records = openSpool(data.size());
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    import->read(DetectQuizFormat(data), &buffer, &data, source, options);
    return import;
}

void TQuizImport::read(TQuizFormat format, QIODevice* xml, const QByteArray* gift, const Source& source,
                       const TImportOptions& options)
{
    m_format = format;
    if (format == TQuizFormat::Unknown) {
        fail(TImportOutcome::NotAQuiz, kNotAQuiz);
        return;
    }
    m_test = std::make_unique<TTest>();
    m_outcome = TImportOutcome::Imported;
    // The header first: its texts count against what the test may hold.
    QStringList titleWarnings;
    const QString title = options.Title.isEmpty() ? QFileInfo(source.Name).completeBaseName() : options.Title;
    QStringList lost;
    m_test->Title = quiz::ToCodePageText(title.simplified().left(kMaxTitle), &lost);
    if (!lost.isEmpty())
        titleWarnings.append(
            QStringLiteral(
                "Название теста: символы, которых нет в кодировке Windows-1251, заменены на «?»: %1.")
                .arg(lost.join(QStringLiteral(" "))));
    m_test->Created = source.Modified.isValid() ? source.Modified : QDateTime::currentDateTime();
    m_test->Saved = m_test->Created;
    m_test->UId = uidFor(source.Crc, source.Size);
    m_test->SetModified(false);
    try {
        Builder builder(*this, options);
        if (format == TQuizFormat::MoodleXml)
            readMoodle(*xml, builder);
        else
            readGift(*gift, builder);
        builder.finish();
    } catch (const WriteError& error) {
        fail(TImportOutcome::ReadError, QStringLiteral("Не удалось записать промежуточный файл: %1")
                                            .arg(QString::fromStdString(error.what())));
    }
    if (m_outcome != TImportOutcome::Imported) {
        // A source that is no quiz or is damaged gives nothing, not half a test.
        m_warnings.clear();
        m_taskCount = 0;
        m_test.reset();
        return;
    }
    if (m_taskCount == 0) {
        fail(TImportOutcome::NothingImported,
             QStringLiteral("В файле нет вопросов, которые можно перенести в тест."));
        m_test.reset();
        return;
    }
    m_warnings = titleWarnings + m_warnings;
}

void TQuizImport::readMoodle(QIODevice& source, Builder& builder)
{
    quiz::MoodleXmlReader reader(source);
    quiz::QuizQuestion question;
    while (reader.next(question))
        builder.add(question);
    switch (reader.status()) {
    case quiz::MoodleXmlReader::Status::NotWellFormed:
        fail(TImportOutcome::NotWellFormed, QStringLiteral("Ошибка в файле XML (строка %1, столбец %2): %3")
                                                .arg(reader.errorLine())
                                                .arg(reader.errorColumn())
                                                .arg(reader.errorText()));
        break;
    case quiz::MoodleXmlReader::Status::NotAQuiz:
        fail(TImportOutcome::NotAQuiz, kNotAQuiz);
        break;
    default:
        break;
    }
}

void TQuizImport::readGift(const QByteArray& data, Builder& builder)
{
    bool utf8 = true;
    const QString text = decodeText(data, &utf8);
    if (!utf8)
        builder.warn(
            QStringLiteral("Файл не в кодировке UTF-8; он прочитан как текст в кодировке Windows-1251."));
    quiz::GiftReader reader(text);
    quiz::QuizQuestion question;
    std::size_t reported = 0;
    auto reportProblems = [&] {
        for (; reported < reader.problems().size(); ++reported) {
            const quiz::GiftProblem& p = reader.problems()[reported];
            quiz::QuizQuestion named;
            named.Name = p.Name;
            named.Line = p.Line;
            builder.warn(QStringLiteral("Вопрос %1: пропущен: %2").arg(quiz::QuestionLabel(named), p.Text));
        }
    };
    while (reader.next(question)) {
        reportProblems();
        builder.add(question);
    }
    reportProblems();
}

void TQuizImport::write(QIODevice& out, const TWriterOptions& options)
{
    if (!imported())
        throw WriteError("nothing imported");
    if (!m_records->seek(0))
        throw WriteError(m_records->errorString().toStdString());
    WriteTestFileWithRecords(out, *m_test, m_taskCount, *m_records, options);
}

void TQuizImport::writeToPath(const QString& path, const TWriterOptions& options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw WriteError((path + QStringLiteral(": ") + file.errorString()).toStdString());
    write(file, options);
    if (!file.commit())
        throw WriteError((path + QStringLiteral(": ") + file.errorString()).toStdString());
}

QByteArray TQuizImport::toTestData(const TWriterOptions& options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer, options);
    return buffer.data();
}

QString ImportWarningsText(const QString& sourceName, const QStringList& warnings)
{
    return QStringLiteral("При переносе вопросов из файла «%1» в тест:\n\n").arg(sourceName) +
           warnings.join(u'\n');
}

} // namespace kvizor
