#pragma once

#include "QuizSource.h"

#include <QString>
#include <QXmlStreamReader>

class QIODevice;

namespace kvizor::quiz {

// Reads a Moodle XML quiz (<quiz> of <question type="...">) one question at a time from a
// device, so memory holds one question, not the file.
class MoodleXmlReader
{
public:
    enum class Status
    {
        Reading,
        Finished,
        NotWellFormed,
        NotAQuiz,
    };

    explicit MoodleXmlReader(QIODevice& device);

    // The next question (categories included); false at the end of the quiz or on a failure
    // (status() tells which).
    bool next(QuizQuestion& question);

    Status status() const { return m_status; }
    // Where and why the XML is not well formed.
    qint64 errorLine() const { return m_errorLine; }
    qint64 errorColumn() const { return m_errorColumn; }
    QString errorText() const { return m_errorText; }

private:
    bool start();
    bool fail();
    void readQuestion(QuizQuestion& question);
    void readQuestionChild(QuizQuestion& question);
    // A text element with <text> and <file> children, in the format its attribute names.
    QuizText readText(QuizFiles& files, TextFormat fallback);
    QuizAnswer readAnswer(QuizFiles& files, TextFormat fallback);
    QuizSubquestion readSubquestion(QuizFiles& files);
    // True when the element holds text in a <text> child (feedback that says something).
    bool hasText(QuizFiles& files);
    void readFile(QuizFiles& files);
    QString readValue();

    QXmlStreamReader m_xml;
    Status m_status = Status::Reading;
    bool m_started = false;
    qint64 m_errorLine = 0;
    qint64 m_errorColumn = 0;
    QString m_errorText;
};

// The format a Moodle text attribute names; `fallback` when it names none.
TextFormat MoodleTextFormat(QStringView name, TextFormat fallback);

} // namespace kvizor::quiz
