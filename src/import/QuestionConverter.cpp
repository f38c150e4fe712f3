#include "QuestionConverter.h"

#include "CodePageText.h"
#include "Decimal.h"
#include "QuizText.h"
#include "StoredOrder.h"

#include <algorithm>

namespace kvizor::quiz {
namespace {

constexpr int kSlots = TTask::SlotCount;

Decimal fractionOf(const QString& text)
{
    return Decimal::parse(text).value_or(Decimal());
}

bool isFull(const Decimal& fraction)
{
    static const Decimal hundred = *Decimal::parse(u"100");
    return fraction.compare(hundred) >= 0;
}

bool isPartial(const Decimal& fraction)
{
    return fraction.isPositive() && !isFull(fraction);
}

// An unescaped "*" matches anything in a short answer; "\*" is the star itself.
bool unescapeStars(QString& answer)
{
    QString out;
    bool wildcard = false;
    for (qsizetype i = 0; i < answer.size(); ++i) {
        if (answer[i] == u'\\' && i + 1 < answer.size() && answer[i + 1] == u'*') {
            out += u'*';
            ++i;
            continue;
        }
        if (answer[i] == u'*')
            wildcard = true;
        out += answer[i];
    }
    answer = out;
    return wildcard;
}

QString quoted(const QString& text)
{
    return QStringLiteral("«%1»").arg(text);
}

class Conversion
{
public:
    Conversion(const QuizQuestion& q, std::int32_t hintPenalty) : m_q(q), m_hintPenalty(hintPenalty) {}

    ConvertedQuestion run();

private:
    bool leaveOut(const QString& reason)
    {
        warn(QStringLiteral("пропущен: ") + reason);
        return false;
    }
    void warn(const QString& text)
    {
        m_warnings.append(QStringLiteral("Вопрос %1: %2").arg(QuestionLabel(m_q), text));
    }
    QString rich(const QuizText& text) { return ToRichText(text, m_q.Files, m_issues); }
    QString plainRich(const QString& text) { return rich({text, TextFormat::Plain}); }
    void fillCommon(TTask& task);
    void reportTextIssues();
    void noteFeedback();
    bool fill(TTask& task);
    bool multiChoice(TTask& task);
    bool trueFalse(TTask& task);
    bool shortAnswer(TTask& task);
    bool numerical(TTask& task);
    bool matching(TTask& task);
    bool ordering(TTask& task);
    std::uint64_t seed() const { return SeedOf({m_q.Name, m_q.Question.Text}); }

    const QuizQuestion& m_q;
    std::int32_t m_hintPenalty;
    TextIssues m_issues;
    QStringList m_warnings;
};

ConvertedQuestion Conversion::run()
{
    ConvertedQuestion result;
    TTask task;
    if (fill(task)) {
        fillCommon(task);
        noteFeedback();
        reportTextIssues();
        result.Task = std::move(task);
    }
    result.Warnings = m_warnings;
    return result;
}

bool Conversion::fill(TTask& task)
{
    switch (m_q.Kind) {
    case QuizKind::MultiChoice:
        return multiChoice(task);
    case QuizKind::TrueFalse:
        return trueFalse(task);
    case QuizKind::ShortAnswer:
        return shortAnswer(task);
    case QuizKind::Numerical:
        return numerical(task);
    case QuizKind::Matching:
        return matching(task);
    case QuizKind::Ordering:
        return ordering(task);
    case QuizKind::Category:
    case QuizKind::Other:
        break;
    }
    return leaveOut(QStringLiteral("вопросы типа %1 не переносятся.").arg(quoted(m_q.TypeName)));
}

void Conversion::fillCommon(TTask& task)
{
    task.Question = rich(m_q.Question);
    task.Explanation = rich(m_q.GeneralFeedback);
    const auto hint =
        std::find_if(m_q.Hints.begin(), m_q.Hints.end(), [](const QuizText& h) { return !h.isBlank(); });
    if (hint != m_q.Hints.end()) {
        task.Hint = rich(*hint);
        if (std::count_if(hint + 1, m_q.Hints.end(), [](const QuizText& h) { return !h.isBlank(); }) > 0)
            warn(QStringLiteral("перенесена только первая подсказка."));
    }
    task.HintPenalty = task.Hint.isEmpty() ? 0 : m_hintPenalty;
    task.Weight = 1;
    if (const auto grade = Decimal::parse(m_q.DefaultGrade)) {
        task.Weight = static_cast<std::int32_t>(grade->roundClamped(1, kMaxWeight));
        if (task.Weight == kMaxWeight && grade->compare(*Decimal::parse(QString::number(kMaxWeight))) > 0)
            warn(QStringLiteral("оценка %1 больше %2; вес задания %2.")
                     .arg(grade->toString())
                     .arg(kMaxWeight));
    }
}

void Conversion::noteFeedback()
{
    const bool answerFeedback = std::any_of(m_q.Answers.begin(), m_q.Answers.end(),
                                            [](const QuizAnswer& a) { return a.HasFeedback; });
    if (answerFeedback || m_q.HasCombinedFeedback)
        warn(QStringLiteral("отзывы на ответы не переносятся."));
    if (m_q.HasOldPicture)
        warn(QStringLiteral("рисунок в старом виде (image_base64) не переносится."));
}

void Conversion::reportTextIssues()
{
    for (const QString& name : std::as_const(m_issues.MissingPictures))
        warn(QStringLiteral("рисунок %1 не найден в файле и пропущен.").arg(quoted(name)));
    for (const QString& name : std::as_const(m_issues.BrokenPictures))
        warn(QStringLiteral("рисунок %1 повреждён или имеет неизвестный формат и пропущен.")
                 .arg(quoted(name)));
    if (!m_issues.LostCharacters.isEmpty())
        warn(QStringLiteral("символы, которых нет в кодировке Windows-1251, заменены на «?»: %1.")
                 .arg(m_issues.LostCharacters.join(QStringLiteral(" "))));
}

bool Conversion::multiChoice(TTask& task)
{
    task.TaskType = m_q.Single ? ttSingleChoice : ttMultipleChoice;
    struct Variant
    {
        QString text;
        bool right;
    };
    std::vector<Variant> variants;
    bool partial = false;
    bool extraFull = false;
    bool haveFull = false;
    for (const QuizAnswer& answer : m_q.Answers) {
        const QString text = rich(answer.Text);
        if (text.isEmpty())
            continue;
        const Decimal fraction = fractionOf(answer.Fraction);
        bool right = fraction.isPositive();
        if (m_q.Single) {
            partial = partial || isPartial(fraction);
            right = isFull(fraction);
            // Radio buttons take one answer: a second right variant could never be chosen too.
            if (right && haveFull) {
                extraFull = true;
                continue;
            }
            haveFull = haveFull || right;
        }
        variants.push_back({text, right});
    }
    if (variants.empty())
        return leaveOut(QStringLiteral("нет вариантов ответа."));
    if (variants.size() > kSlots)
        return leaveOut(QStringLiteral("вариантов ответа больше 10 (%1).").arg(variants.size()));
    if (m_q.Single && !haveFull)
        return leaveOut(QStringLiteral("нет ответа, оценённого в 100%."));
    if (partial)
        warn(QStringLiteral(
            "частичные оценки ответов не переносятся: верными считаются только ответы на 100%."));
    if (extraFull)
        warn(
            QStringLiteral("в задании с одним ответом верен один вариант: другие ответы на 100% пропущены."));
    for (std::size_t i = 0; i < variants.size(); ++i) {
        task.Variants[i] = variants[i].text;
        task.VariantValues[i] = variants[i].right ? 1 : 0;
    }
    return true;
}

bool Conversion::trueFalse(TTask& task)
{
    task.TaskType = ttTrueFalse;
    for (std::size_t i = 0; i < m_q.Answers.size(); ++i) {
        const QuizAnswer& answer = m_q.Answers[i];
        if (!isFull(fractionOf(answer.Fraction)))
            continue;
        const QString word = PlainLineOf(answer.Text).toLower();
        const bool isTrue = word == QLatin1String("true") || (word != QLatin1String("false") && i == 0);
        task.Variants[0] = kTrueFalseStatement;
        task.VariantValues[0] = isTrue ? 1 : 2;
        return true;
    }
    return leaveOut(QStringLiteral("нет ответа, оценённого в 100%."));
}

bool Conversion::shortAnswer(TTask& task)
{
    task.TaskType = ttText;
    task.TextCaseSensitive = m_q.UseCase;
    QStringList accepted;
    QStringList wildcards;
    bool partial = false;
    for (const QuizAnswer& answer : m_q.Answers) {
        const Decimal fraction = fractionOf(answer.Fraction);
        partial = partial || isPartial(fraction);
        if (!isFull(fraction))
            continue;
        QString text = PlainLineOf(answer.Text);
        if (unescapeStars(text)) {
            wildcards.append(text);
            continue;
        }
        text = ToCodePageText(text, &m_issues.LostCharacters);
        if (!text.isEmpty() && !accepted.contains(text))
            accepted.append(text);
    }
    if (!wildcards.isEmpty())
        warn(QStringLiteral("ответы с шаблоном «*» не переносятся: %1.")
                 .arg(wildcards.join(QStringLiteral("; "))));
    if (accepted.isEmpty())
        return leaveOut(QStringLiteral("нет ответа, оценённого в 100%, который можно перенести."));
    if (partial)
        warn(QStringLiteral(
            "частичные оценки ответов не переносятся: верными считаются только ответы на 100%."));
    task.TextAnswers = accepted.join(QStringLiteral("\r\n"));
    return true;
}

bool Conversion::numerical(TTask& task)
{
    task.TaskType = ttNumber;
    const QuizAnswer* chosen = nullptr;
    bool otherFull = false;
    bool partial = false;
    for (const QuizAnswer& answer : m_q.Answers) {
        const Decimal fraction = fractionOf(answer.Fraction);
        // "*" stands for any other answer, with its own feedback.
        if (PlainLineOf(answer.Text) == QLatin1String("*"))
            continue;
        partial = partial || isPartial(fraction);
        if (!isFull(fraction))
            continue;
        if (chosen != nullptr)
            otherFull = true;
        else
            chosen = &answer;
    }
    if (chosen == nullptr)
        return leaveOut(QStringLiteral("нет ответа, оценённого в 100%."));
    if (!chosen->RangeMin.isEmpty() || !chosen->RangeMax.isEmpty()) {
        auto low = Decimal::parse(chosen->RangeMin);
        auto high = Decimal::parse(chosen->RangeMax);
        if (!low || !high)
            return leaveOut(QStringLiteral("границы %1..%2 не являются числами.")
                                .arg(chosen->RangeMin, chosen->RangeMax));
        if (low->compare(*high) > 0)
            std::swap(low, high);
        task.NumberIsRange = true;
        task.NumberMin = low->toDouble();
        task.NumberMax = high->toDouble();
        task.NumberValue = (*low + *high).half().toDouble();
    } else {
        const QString written = PlainLineOf(chosen->Text);
        const auto value = Decimal::parse(written);
        if (!value)
            return leaveOut(QStringLiteral("ответ %1 не является числом.").arg(quoted(written)));
        Decimal tolerance;
        if (!chosen->Tolerance.trimmed().isEmpty()) {
            const auto parsed = Decimal::parse(chosen->Tolerance);
            if (!parsed)
                return leaveOut(
                    QStringLiteral("погрешность %1 не является числом.").arg(quoted(chosen->Tolerance)));
            tolerance = parsed->abs();
        }
        task.NumberValue = value->toDouble();
        task.NumberIsRange = !tolerance.isZero();
        task.NumberMin = (*value - tolerance).toDouble();
        task.NumberMax = (*value + tolerance).toDouble();
    }
    if (otherFull)
        warn(QStringLiteral("перенесён только первый ответ на 100%; другие верные ответы пропущены."));
    if (partial)
        warn(QStringLiteral(
            "частичные оценки ответов не переносятся: верным считается только ответ на 100%."));
    if (m_q.HasUnits)
        warn(QStringLiteral("единицы измерения не переносятся."));
    return true;
}

bool Conversion::matching(TTask& task)
{
    task.TaskType = ttMatching;
    QStringList right;                         // the right column: each answer once, in order of appearance
    std::vector<std::pair<QString, int>> left; // text, index into right
    for (const QuizSubquestion& sub : m_q.Subquestions) {
        const QString answer = sub.Answer.trimmed();
        const QString text = rich(sub.Text);
        if (text.isEmpty() && answer.isEmpty())
            continue;
        if (!answer.isEmpty() && !right.contains(answer))
            right.append(answer);
        if (text.isEmpty())
            continue; // an answer without a sub-question is one more right entry
        if (answer.isEmpty())
            return leaveOut(QStringLiteral("у пункта %1 нет пары.").arg(quoted(PlainLineOf(sub.Text))));
        left.emplace_back(text, int(right.indexOf(answer)));
    }
    if (left.empty() || right.size() < 2)
        return leaveOut(QStringLiteral("для сопоставления нужны хотя бы два разных ответа."));
    if (left.size() > kSlots || right.size() > kSlots)
        return leaveOut(QStringLiteral("в сопоставлении больше 10 пунктов или ответов."));
    // Stored order of the right column: never partner i beside item i for every i.
    QList<int> order = ScrambledOrder(int(right.size()), seed());
    auto solved = [&] {
        for (std::size_t i = 0; i < left.size(); ++i) {
            if (order.indexOf(left[i].second) != int(i))
                return false;
        }
        return true;
    };
    for (int turn = 0; turn < int(right.size()) && solved(); ++turn)
        std::rotate(order.begin(), order.begin() + 1, order.end());
    for (int k = 0; k < order.size(); ++k)
        task.MatchVariants[k] = plainRich(right[order[k]]);
    for (std::size_t i = 0; i < left.size(); ++i) {
        task.Variants[i] = left[i].first;
        task.VariantValues[i] = int(order.indexOf(left[i].second)) + 1;
    }
    return true;
}

bool Conversion::ordering(TTask& task)
{
    task.TaskType = ttOrdering;
    struct Item
    {
        QString text;
        std::optional<Decimal> place;
    };
    std::vector<Item> items;
    for (const QuizAnswer& answer : m_q.Answers) {
        const QString text = rich(answer.Text);
        if (!text.isEmpty())
            items.push_back({text, Decimal::parse(answer.Fraction)});
    }
    // The items come in their right order; where each carries its place, the places decide.
    if (std::all_of(items.begin(), items.end(), [](const Item& i) { return i.place.has_value(); })) {
        std::stable_sort(items.begin(), items.end(),
                         [](const Item& a, const Item& b) { return a.place->compare(*b.place) < 0; });
    }
    if (items.size() < 2)
        return leaveOut(QStringLiteral("для упорядочивания нужны хотя бы два элемента."));
    if (items.size() > kSlots)
        return leaveOut(QStringLiteral("элементов больше 10 (%1).").arg(items.size()));
    const QList<int> order = ScrambledOrder(int(items.size()), seed());
    for (int k = 0; k < order.size(); ++k) {
        task.Variants[k] = items[std::size_t(order[k])].text;
        task.VariantValues[k] = order[k] + 1;
    }
    return true;
}

} // namespace

QString QuestionLabel(const QuizQuestion& question)
{
    QString name = question.Name.simplified();
    if (name.size() > 80)
        name = name.left(80) + QStringLiteral("...");
    if (name.isEmpty())
        return QStringLiteral("в строке %1").arg(question.Line);
    return QStringLiteral("«%1» (строка %2)").arg(name).arg(question.Line);
}

ConvertedQuestion QuestionConverter::convert(const QuizQuestion& question) const
{
    return Conversion(question, HintPenalty).run();
}

} // namespace kvizor::quiz
