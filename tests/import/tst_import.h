#pragma once

#include <QObject>

// The mapping of quiz questions to tasks, for both formats, checked through the loader.
class TestImportMapping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moodleQuestions_data();
    void moodleQuestions();
    void moodleFixtureInOneFile();
    void everyTaskAnswerable();
    void numberBounds_data();
    void numberBounds();
    void giftQuestions_data();
    void giftQuestions();
    void commonFields_data();
    void commonFields();
    void hintPenaltyOnlyWithHint();
    void categoriesBecomeTopics();
    void orderingAndMatchingNotStoredSolved();
    void textLimits();
    void taskLimit();
};

// Texts: HTML, Markdown and plain text into rich text, pictures, characters, entities.
class TestImportTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formattingKept();
    void pictures_data();
    void pictures();
    void noLocalFileIsRead();
    void charactersOutsideCodePage();
    void nothingLeaks_data();
    void nothingLeaks();
};

// The parts: decimal numbers, the code page of plain fields, stored orders, sources that
// are not quizzes, the file route.
class TestImportParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decimalArithmetic_data();
    void decimalArithmetic();
    void decimalRejects_data();
    void decimalRejects();
    void decimalRounding_data();
    void decimalRounding();
    void codePageText_data();
    void codePageText();
    void scrambledOrder();
    void malformedSources_data();
    void malformedSources();
    void detection_data();
    void detection();
    void fromFile();
    void reproducible();
};
