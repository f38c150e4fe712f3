#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// A question as the quiz formats of other systems describe it, before it becomes a task.
// Both readers (Moodle XML, GIFT) fill it; one converter maps it to the test model.
namespace kvizor::quiz {

enum class TextFormat
{
    Html,
    // Moodle's own: HTML where present, else plain text whose line ends are breaks.
    MoodleAuto,
    Plain,
    Markdown,
};

struct QuizText
{
    QString Text;
    TextFormat Format = TextFormat::Html;

    bool isBlank() const { return Text.trimmed().isEmpty(); }
};

// A file a text refers to as @@PLUGINFILE@@/path/name.
struct QuizFile
{
    QString Path; // "/" when not in a sub-folder
    QString Name;
    QByteArray Bytes;
};
using QuizFiles = std::vector<QuizFile>;

struct QuizAnswer
{
    QuizText Text;
    // Credit in percent as the source writes it ("100", "33.33333", "-50").
    QString Fraction;
    // Numerical answers: the tolerance, or an explicit range (RangeMin..RangeMax).
    QString Tolerance;
    QString RangeMin;
    QString RangeMax;
    bool HasFeedback = false;
};

struct QuizSubquestion
{
    QuizText Text;
    QString Answer;
};

enum class QuizKind
{
    Category,
    MultiChoice,
    TrueFalse,
    ShortAnswer,
    Numerical,
    Matching,
    Ordering,
    // Anything else (essay, description, cloze, calculated, random ...): left out.
    Other,
};

struct QuizQuestion
{
    QuizKind Kind = QuizKind::Other;
    // The type as the source names it, for the message about a question left out.
    QString TypeName;
    QString Name;
    // Line of the source where the question starts.
    qint64 Line = 0;
    QuizText Question;
    QuizText GeneralFeedback;
    std::vector<QuizText> Hints;
    QString DefaultGrade;
    // Multiple choice: one answer (radio buttons) or several (check boxes).
    bool Single = true;
    // Short answer: letter case counts.
    bool UseCase = false;
    bool HasUnits = false;
    // Feedback on the whole question (right, partly right, wrong) that has text.
    bool HasCombinedFeedback = false;
    // A picture beside the question in the old form (<image_base64>), which is not carried over.
    bool HasOldPicture = false;
    std::vector<QuizAnswer> Answers;
    std::vector<QuizSubquestion> Subquestions;
    // Category: the path of the category that the following questions belong to.
    QString CategoryPath;
    QuizFiles Files;
};

} // namespace kvizor::quiz
