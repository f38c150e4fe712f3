#pragma once

#include "import/QuizImporter.h"
#include "model/TestLoader.h"
#include "richtext/RichText.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <vector>

// Quizzes are imported, written and loaded back through the program's own loader: what the
// tests see is what the examinee will get.
namespace importfixtures {

struct Loaded
{
    std::unique_ptr<kvizor::TQuizImport> import;
    kvizor::TLoadResult test;

    const kvizor::TTask& task(std::size_t i) const { return *test.Tasks.at(i); }
    QString warnings() const { return import->warnings().join(u'\n'); }
};

inline Loaded load(const QByteArray& source, const QString& name = QStringLiteral("quiz.xml"),
                   const kvizor::TImportOptions& options = {})
{
    Loaded loaded{kvizor::TQuizImport::FromData(source, name, options), {}};
    if (loaded.import->imported())
        loaded.test = kvizor::LoadTestData(name, loaded.import->toTestData(), {});
    return loaded;
}

inline QByteArray moodle(const QString& questions)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n") + questions +
            QStringLiteral("\n</quiz>\n"))
        .toUtf8();
}

// One Moodle question of a type with the given elements after its text.
inline QString moodleQuestion(const QString& type, const QString& body,
                              const QString& text = QStringLiteral("Текст вопроса"),
                              const QString& name = QStringLiteral("Вопрос"))
{
    return QStringLiteral(
               "<question type=\"%1\"><name><text>%2</text></name>"
               "<questiontext format=\"html\"><text><![CDATA[%3]]></text></questiontext>%4</question>\n")
        .arg(type, name, text, body);
}

inline QString answer(const QString& fraction, const QString& text, const QString& extra = {})
{
    return QStringLiteral("<answer fraction=\"%1\" format=\"html\"><text><![CDATA[%2]]></text>%3</answer>")
        .arg(fraction, text, extra);
}

inline QString plain(const QString& richText)
{
    return kvizor::RtfToPlainText(richText);
}

inline QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The answer part of a task in a form that does not depend on the stored order: the
// variants of a choice with "*" on the right ones, an ordering in its right order, the pairs
// of a matching with its right column sorted, and so on.
inline QString describe(const kvizor::TTask& t)
{
    using namespace kvizor;
    const int n = t.VariantCount();
    QStringList parts;
    switch (t.TaskType) {
    case ttSingleChoice:
    case ttMultipleChoice:
        for (int i = 0; i < n; ++i)
            parts.append(plain(t.Variants[i]) + (t.IsVariantRight(i) ? QStringLiteral("*") : QString()));
        return (t.TaskType == ttSingleChoice ? QStringLiteral("single: ") : QStringLiteral("multi: ")) +
               parts.join(QStringLiteral(" | "));
    case ttOrdering: {
        QStringList ordered(n);
        for (int i = 0; i < n; ++i) {
            const int place = t.VariantValues[i];
            if (place < 1 || place > n)
                return QStringLiteral("ordering: bad place %1").arg(place);
            ordered[place - 1] = plain(t.Variants[i]);
        }
        return QStringLiteral("ordering: ") + ordered.join(QStringLiteral(" > "));
    }
    case ttMatching: {
        const int m = t.MatchVariantCount();
        for (int i = 0; i < n; ++i)
            parts.append(plain(t.Variants[i]) + QStringLiteral("->") +
                         plain(t.GetMatchVariant(t.VariantValues[i] - 1)));
        QStringList right;
        for (int k = 0; k < m; ++k)
            right.append(plain(t.MatchVariants[k]));
        right.sort();
        return QStringLiteral("matching: ") + parts.join(QStringLiteral(" | ")) + QStringLiteral(" || ") +
               right.join(QStringLiteral(" | "));
    }
    case ttTrueFalse:
        for (int i = 0; i < n; ++i)
            parts.append(plain(t.Variants[i]) +
                         (t.VariantValues[i] == 1 ? QStringLiteral("=да") : QStringLiteral("=нет")));
        return QStringLiteral("truefalse: ") + parts.join(QStringLiteral(" | "));
    case ttNumber:
        return t.NumberIsRange
                   ? QStringLiteral("number: %1..%2").arg(number(t.NumberMin), number(t.NumberMax))
                   : QStringLiteral("number: %1").arg(number(t.NumberValue));
    case ttText:
        return QStringLiteral("text%1: %2")
            .arg(t.TextCaseSensitive ? QStringLiteral("(case)") : QString(),
                 t.TextAnswers.split(QStringLiteral("\r\n")).join(QStringLiteral(" / ")));
    default:
        return QStringLiteral("type %1").arg(t.TaskType);
    }
}

} // namespace importfixtures
