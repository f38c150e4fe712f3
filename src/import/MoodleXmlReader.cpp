#include "MoodleXmlReader.h"

#include <QIODevice>

namespace kvizor::quiz {
namespace {

QuizKind kindOf(QStringView type)
{
    if (type == u"multichoice")
        return QuizKind::MultiChoice;
    if (type == u"truefalse")
        return QuizKind::TrueFalse;
    if (type == u"shortanswer")
        return QuizKind::ShortAnswer;
    if (type == u"numerical")
        return QuizKind::Numerical;
    if (type == u"matching" || type == u"match")
        return QuizKind::Matching;
    if (type == u"ordering")
        return QuizKind::Ordering;
    if (type == u"category")
        return QuizKind::Category;
    return QuizKind::Other;
}

bool isTrue(const QString& value)
{
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("true") || v == QLatin1String("1");
}

} // namespace

TextFormat MoodleTextFormat(QStringView name, TextFormat fallback)
{
    if (name == u"html")
        return TextFormat::Html;
    if (name == u"plain_text")
        return TextFormat::Plain;
    if (name == u"markdown")
        return TextFormat::Markdown;
    if (name == u"moodle_auto_format")
        return TextFormat::MoodleAuto;
    return fallback;
}

MoodleXmlReader::MoodleXmlReader(QIODevice& device) : m_xml(&device) {}

bool MoodleXmlReader::fail()
{
    if (m_xml.error() == QXmlStreamReader::CustomError) {
        m_status = Status::NotAQuiz;
        return false;
    }
    // An empty source is no quiz rather than damaged XML.
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_started &&
        m_xml.characterOffset() == 0) {
        m_status = Status::NotAQuiz;
        return false;
    }
    m_status = Status::NotWellFormed;
    m_errorLine = m_xml.lineNumber();
    m_errorColumn = m_xml.columnNumber();
    m_errorText = m_xml.errorString();
    return false;
}

bool MoodleXmlReader::start()
{
    if (!m_xml.readNextStartElement())
        return m_xml.hasError() ? fail() : (m_status = Status::NotAQuiz, false);
    m_started = true;
    if (m_xml.name() != u"quiz") {
        m_status = Status::NotAQuiz;
        return false;
    }
    return true;
}

bool MoodleXmlReader::next(QuizQuestion& question)
{
    if (m_status != Status::Reading)
        return false;
    if (!m_started && !start())
        return false;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != u"question") {
            m_xml.skipCurrentElement();
            continue;
        }
        question = QuizQuestion();
        readQuestion(question);
        if (m_xml.hasError())
            return fail();
        return true;
    }
    if (m_xml.hasError())
        return fail();
    // The end of <quiz>; the document must still end well.
    while (!m_xml.atEnd())
        m_xml.readNext();
    if (m_xml.hasError())
        return fail();
    m_status = Status::Finished;
    return false;
}

void MoodleXmlReader::readQuestion(QuizQuestion& question)
{
    question.Line = m_xml.lineNumber();
    question.TypeName = m_xml.attributes().value(QLatin1String("type")).toString();
    question.Kind = kindOf(question.TypeName);
    while (m_xml.readNextStartElement())
        readQuestionChild(question);
}

void MoodleXmlReader::readQuestionChild(QuizQuestion& q)
{
    const QStringView name = m_xml.name();
    if (name == u"name") {
        QuizFiles ignored;
        q.Name = readText(ignored, TextFormat::Plain).Text.trimmed();
    } else if (name == u"questiontext") {
        q.Question = readText(q.Files, TextFormat::MoodleAuto);
    } else if (name == u"generalfeedback") {
        q.GeneralFeedback = readText(q.Files, TextFormat::MoodleAuto);
    } else if (name == u"hint") {
        q.Hints.push_back(readText(q.Files, TextFormat::MoodleAuto));
    } else if (name == u"defaultgrade") {
        q.DefaultGrade = readValue();
    } else if (name == u"single") {
        q.Single = isTrue(readValue());
    } else if (name == u"usecase") {
        q.UseCase = isTrue(readValue());
    } else if (name == u"answer") {
        q.Answers.push_back(readAnswer(q.Files, TextFormat::MoodleAuto));
    } else if (name == u"subquestion") {
        q.Subquestions.push_back(readSubquestion(q.Files));
    } else if (name == u"correctfeedback" || name == u"partiallycorrectfeedback" ||
               name == u"incorrectfeedback") {
        q.HasCombinedFeedback = hasText(q.Files) || q.HasCombinedFeedback;
    } else if (name == u"units") {
        while (m_xml.readNextStartElement()) {
            q.HasUnits = q.HasUnits || m_xml.name() == u"unit";
            m_xml.skipCurrentElement();
        }
    } else if (name == u"image_base64") {
        q.HasOldPicture = !readValue().isEmpty() || q.HasOldPicture;
    } else if (name == u"category") {
        QuizFiles ignored;
        q.CategoryPath = readText(ignored, TextFormat::Plain).Text.trimmed();
    } else {
        m_xml.skipCurrentElement();
    }
}

QString MoodleXmlReader::readValue()
{
    return m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
}

QuizText MoodleXmlReader::readText(QuizFiles& files, TextFormat fallback)
{
    QuizText text;
    text.Format = MoodleTextFormat(m_xml.attributes().value(QLatin1String("format")), fallback);
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"text")
            text.Text = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (m_xml.name() == u"file")
            readFile(files);
        else
            m_xml.skipCurrentElement();
    }
    return text;
}

QuizAnswer MoodleXmlReader::readAnswer(QuizFiles& files, TextFormat fallback)
{
    QuizAnswer answer;
    answer.Fraction = m_xml.attributes().value(QLatin1String("fraction")).toString();
    answer.Text.Format = MoodleTextFormat(m_xml.attributes().value(QLatin1String("format")), fallback);
    while (m_xml.readNextStartElement()) {
        const QStringView name = m_xml.name();
        if (name == u"text")
            answer.Text.Text = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (name == u"file")
            readFile(files);
        else if (name == u"tolerance")
            answer.Tolerance = readValue();
        else if (name == u"feedback")
            answer.HasFeedback = hasText(files);
        else
            m_xml.skipCurrentElement();
    }
    return answer;
}

QuizSubquestion MoodleXmlReader::readSubquestion(QuizFiles& files)
{
    QuizSubquestion sub;
    sub.Text.Format =
        MoodleTextFormat(m_xml.attributes().value(QLatin1String("format")), TextFormat::MoodleAuto);
    while (m_xml.readNextStartElement()) {
        const QStringView name = m_xml.name();
        if (name == u"text") {
            sub.Text.Text = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (name == u"file") {
            readFile(files);
        } else if (name == u"answer") {
            QuizFiles ignored;
            sub.Answer = readText(ignored, TextFormat::Plain).Text;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    return sub;
}

bool MoodleXmlReader::hasText(QuizFiles& files)
{
    return !readText(files, TextFormat::Html).isBlank();
}

void MoodleXmlReader::readFile(QuizFiles& files)
{
    QuizFile file;
    const QXmlStreamAttributes attributes = m_xml.attributes();
    file.Name = attributes.value(QLatin1String("name")).toString();
    file.Path = attributes.value(QLatin1String("path")).toString();
    const QString data = m_xml.readElementText(QXmlStreamReader::IncludeChildElements);
    auto decoded = QByteArray::fromBase64Encoding(data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // Line breaks and blanks inside the base64 text are allowed.
    if (!decoded)
        decoded = QByteArray::fromBase64Encoding(data.simplified().remove(u' ').toLatin1());
    if (decoded && !file.Name.isEmpty()) {
        file.Bytes = std::move(*decoded);
        files.push_back(std::move(file));
    }
}

} // namespace kvizor::quiz
