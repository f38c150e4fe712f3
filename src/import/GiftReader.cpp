#include "GiftReader.h"

#include "QuizText.h"

#include <algorithm>
#include <array>

namespace kvizor::quiz {
namespace {

// Escaped marks stand in for themselves as private-use characters while a block is taken
// apart, so that no rule mistakes them for marks.
constexpr char16_t kFirstPlaceholder = 0xE000;
constexpr std::array<char16_t, 7> kEscapable{u'~', u'=', u'#', u'{', u'}', u':', u'\\'};

bool isPlaceholder(QChar c)
{
    return c.unicode() >= kFirstPlaceholder && c.unicode() < kFirstPlaceholder + kEscapable.size();
}

QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isPlaceholder(c)) {
            out += QChar(0xFFFD);
            continue;
        }
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text[i + 1];
            if (n == u'n') {
                out += u'\n';
                ++i;
                continue;
            }
            const auto* k = std::find(kEscapable.begin(), kEscapable.end(), n.unicode());
            if (k != kEscapable.end()) {
                out += QChar(char16_t(kFirstPlaceholder + (k - kEscapable.begin())));
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString restored(QString text)
{
    for (QChar& c : text) {
        if (isPlaceholder(c))
            c = QChar(kEscapable[c.unicode() - kFirstPlaceholder]);
    }
    return text;
}

bool isCommentLine(QStringView line)
{
    return line.trimmed().startsWith(u"//");
}

struct Item
{
    QChar marker;
    QString weight; // empty: none given
    QString text;
    bool hasFeedback = false;

    // Credit in percent: the weight when given, else full for "=" and none for "~".
    QString fraction() const
    {
        if (!weight.isEmpty())
            return weight;
        return marker == u'=' ? QStringLiteral("100") : QStringLiteral("0");
    }
};

// "=text#feedback ~%50%text ..." into its items; the weight and the feedback split off.
std::vector<Item> splitItems(const QString& answers)
{
    std::vector<Item> items;
    for (const QChar c : answers) {
        if (c == u'=' || c == u'~') {
            items.push_back({c, {}, {}, false});
            continue;
        }
        if (!items.empty())
            items.back().text += c;
    }
    for (Item& item : items) {
        QString rest = item.text.trimmed();
        if (rest.startsWith(u'%')) {
            const qsizetype end = rest.indexOf(u'%', 1);
            if (end > 0) {
                item.weight = rest.mid(1, end - 1).trimmed();
                rest = rest.mid(end + 1);
            }
        }
        const qsizetype hash = rest.indexOf(u'#');
        if (hash >= 0) {
            item.hasFeedback = !rest.mid(hash + 1).trimmed().isEmpty();
            rest = rest.left(hash);
        }
        item.text = rest.trimmed();
    }
    return items;
}

QuizText textOf(const QString& text, TextFormat format)
{
    return {restored(text).trimmed(), format};
}

QString upperHead(const QString& answers)
{
    return answers.section(u'#', 0, 0).trimmed().toUpper();
}

class BlockReader
{
public:
    BlockReader(QuizQuestion& q, TextFormat format) : m_q(q), m_format(format) {}

    // Empty when the answers are read; otherwise why not.
    QString read(const QString& answers);

private:
    QString multiChoice(const QString& answers);
    QString matching(const QString& answers);
    QString trueFalse(const QString& answers);
    QString shortAnswer(const QString& answers);
    QString numerical(const QString& answers);
    // The items of a choice or a short answer as answers in the question's format.
    void addAnswers(const QString& answers);

    QuizQuestion& m_q;
    TextFormat m_format;
};

QString BlockReader::read(const QString& answers)
{
    const QString a = answers.trimmed();
    if (a.isEmpty()) {
        m_q.Kind = QuizKind::Other;
        m_q.TypeName = QStringLiteral("essay");
        return {};
    }
    if (a.startsWith(u'#'))
        return numerical(a.mid(1));
    if (a.contains(u'~'))
        return multiChoice(a);
    if (a.contains(u'=') && a.contains(QLatin1String("->")))
        return matching(a);
    const QString head = upperHead(a);
    if (head == QLatin1String("T") || head == QLatin1String("TRUE") || head == QLatin1String("F") ||
        head == QLatin1String("FALSE"))
        return trueFalse(a);
    return shortAnswer(a);
}

QString BlockReader::multiChoice(const QString& answers)
{
    m_q.Kind = QuizKind::MultiChoice;
    m_q.TypeName = QStringLiteral("multichoice");
    // Without an "=" answer every answer carries its weight and several may be chosen.
    m_q.Single = answers.contains(u'=');
    addAnswers(answers);
    return {};
}

void BlockReader::addAnswers(const QString& answers)
{
    for (const Item& item : splitItems(answers)) {
        QuizAnswer answer;
        answer.Text = textOf(item.text, m_format);
        answer.Fraction = item.fraction();
        answer.HasFeedback = item.hasFeedback;
        m_q.Answers.push_back(answer);
    }
}

QString BlockReader::matching(const QString& answers)
{
    m_q.Kind = QuizKind::Matching;
    m_q.TypeName = QStringLiteral("matching");
    for (const Item& item : splitItems(answers)) {
        const qsizetype arrow = item.text.indexOf(QLatin1String("->"));
        if (arrow < 0)
            return QStringLiteral("в сопоставлении у пункта «%1» нет «->».").arg(restored(item.text));
        QuizSubquestion sub;
        sub.Text = textOf(item.text.left(arrow), m_format);
        sub.Answer = restored(item.text.mid(arrow + 2)).trimmed();
        m_q.Subquestions.push_back(sub);
        if (item.hasFeedback) {
            QuizAnswer carrier;
            carrier.HasFeedback = true;
            m_q.Answers.push_back(carrier);
        }
    }
    return {};
}

QString BlockReader::trueFalse(const QString& answers)
{
    m_q.Kind = QuizKind::TrueFalse;
    m_q.TypeName = QStringLiteral("truefalse");
    const bool isTrue = upperHead(answers).startsWith(u'T');
    const bool feedback = !answers.section(u'#', 1).trimmed().isEmpty();
    const QString full = QStringLiteral("100");
    const QString none = QStringLiteral("0");
    m_q.Answers.push_back(
        {{QStringLiteral("true"), TextFormat::Plain}, isTrue ? full : none, {}, {}, {}, feedback});
    m_q.Answers.push_back(
        {{QStringLiteral("false"), TextFormat::Plain}, isTrue ? none : full, {}, {}, {}, false});
    return {};
}

QString BlockReader::shortAnswer(const QString& answers)
{
    m_q.Kind = QuizKind::ShortAnswer;
    m_q.TypeName = QStringLiteral("shortanswer");
    if (!answers.trimmed().startsWith(u'='))
        return QStringLiteral("ответы должны начинаться с «=» или «~».");
    addAnswers(answers);
    return {};
}

QString BlockReader::numerical(const QString& answers)
{
    m_q.Kind = QuizKind::Numerical;
    m_q.TypeName = QStringLiteral("numerical");
    std::vector<Item> items;
    if (answers.trimmed().startsWith(u'=')) {
        items = splitItems(answers);
    } else {
        items = splitItems(u'=' + answers);
    }
    for (const Item& item : items) {
        QuizAnswer answer;
        answer.Fraction = item.fraction();
        answer.HasFeedback = item.hasFeedback;
        const QString value = restored(item.text).trimmed();
        const qsizetype range = value.indexOf(QLatin1String(".."));
        const qsizetype colon = value.indexOf(u':');
        if (range >= 0) {
            answer.RangeMin = value.left(range).trimmed();
            answer.RangeMax = value.mid(range + 2).trimmed();
        } else if (colon >= 0) {
            answer.Text = {value.left(colon).trimmed(), TextFormat::Plain};
            answer.Tolerance = value.mid(colon + 1).trimmed();
        } else {
            answer.Text = {value, TextFormat::Plain};
        }
        m_q.Answers.push_back(answer);
    }
    return {};
}

// "[html]" and the like at the start of the question text.
TextFormat takeFormat(QString& text, TextFormat fallback)
{
    static const std::array<std::pair<const char16_t*, TextFormat>, 4> formats{{
        {u"[html]", TextFormat::Html},
        {u"[moodle]", TextFormat::MoodleAuto},
        {u"[plain]", TextFormat::Plain},
        {u"[markdown]", TextFormat::Markdown},
    }};
    const QString trimmed = text.trimmed();
    for (const auto& [mark, format] : formats) {
        const QString m = QString::fromUtf16(mark);
        if (trimmed.startsWith(m, Qt::CaseInsensitive)) {
            text = trimmed.mid(m.size());
            return format;
        }
    }
    return fallback;
}

} // namespace

GiftReader::GiftReader(const QString& text) : m_text(text) {}

bool GiftReader::nextBlock(Block& block)
{
    block = Block();
    QStringList lines;
    while (m_pos < m_text.size()) {
        qsizetype end = m_text.indexOf(u'\n', m_pos);
        if (end < 0)
            end = m_text.size();
        QStringView line = QStringView(m_text).mid(m_pos, end - m_pos);
        if (line.endsWith(u'\r'))
            line.chop(1);
        m_pos = end + 1;
        const qint64 number = m_line++;
        if (line.trimmed().isEmpty()) {
            if (!lines.isEmpty())
                break;
            continue;
        }
        if (isCommentLine(line))
            continue;
        if (lines.isEmpty())
            block.line = number;
        lines.append(line.toString());
    }
    block.text = lines.join(u'\n');
    return !lines.isEmpty();
}

bool GiftReader::next(QuizQuestion& question)
{
    Block block;
    while (nextBlock(block)) {
        question = QuizQuestion();
        question.Line = block.line;
        if (readBlock(block, question))
            return true;
    }
    return false;
}

bool GiftReader::readBlock(const Block& block, QuizQuestion& q)
{
    const QString trimmed = block.text.trimmed();
    if (trimmed.startsWith(QLatin1String("$CATEGORY:"))) {
        q.Kind = QuizKind::Category;
        q.TypeName = QStringLiteral("category");
        q.CategoryPath = trimmed.mid(10).section(u'\n', 0, 0).trimmed();
        return true;
    }
    auto problem = [&](const QString& why) {
        m_problems.push_back({block.line, q.Name, why});
        return false;
    };
    QString text = escaped(trimmed);
    if (text.startsWith(QLatin1String("::"))) {
        const qsizetype end = text.indexOf(QLatin1String("::"), 2);
        if (end < 0)
            return problem(QStringLiteral("название вопроса не закрыто «::»."));
        q.Name = restored(text.mid(2, end - 2)).trimmed();
        text = text.mid(end + 2);
    }
    const TextFormat format = takeFormat(text, TextFormat::MoodleAuto);
    const qsizetype open = text.indexOf(u'{');
    if (open < 0) {
        q.Kind = QuizKind::Other;
        q.TypeName = QStringLiteral("description");
        q.Question = textOf(text, format);
    } else {
        const qsizetype close = text.indexOf(u'}', open);
        if (close < 0)
            return problem(QStringLiteral("нет закрывающей скобки «}»."));
        const qsizetype again = text.indexOf(u'{', open + 1);
        if (again >= 0)
            return problem(QStringLiteral("больше одного блока ответов «{...}»."));
        const QString before = text.left(open);
        const QString after = text.mid(close + 1);
        // Text after the answers makes the missing-word form: the answers leave a gap.
        const QString question =
            after.trimmed().isEmpty() ? before : before + QStringLiteral("_____") + after;
        q.Question = textOf(question, format);
        QString answers = text.mid(open + 1, close - open - 1);
        const qsizetype general = answers.indexOf(QLatin1String("####"));
        if (general >= 0) {
            q.GeneralFeedback = textOf(answers.mid(general + 4), format);
            answers = answers.left(general);
        }
        const QString why = BlockReader(q, format).read(answers);
        if (!why.isEmpty())
            return problem(why);
    }
    if (q.Name.isEmpty())
        q.Name = PlainLineOf(q.Question).left(60);
    return true;
}

bool LooksLikeGift(QStringView text)
{
    for (QStringView line : text.split(u'\n')) {
        const QStringView t = line.trimmed();
        if (t.startsWith(u"//"))
            continue;
        if (t.startsWith(u"::") || t.startsWith(u"$CATEGORY:"))
            return true;
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t[i] == u'{' && (i == 0 || t[i - 1] != u'\\'))
                return true;
        }
    }
    return false;
}

} // namespace kvizor::quiz
