#pragma once

#include "Task.h"
#include "TestFormat.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>

namespace kvizor {

class BinaryReader;
class BinaryWriter;

// One grade of the grading scale.
struct TMark
{
    std::int32_t Value = 0;
    // Lowest percentage that earns the grade; 0 or less = not listed in criteria texts.
    std::int32_t Percent = 0;
    // Empty: the number Value stands for the grade in texts.
    QString Name;

    bool operator==(const TMark&) const = default;
};

// One topic.
struct TTheme
{
    std::int32_t Id = 0;
    QString Name;
    QString Comment;
    // Always 0 when UseQuota is clear; never negative.
    std::int32_t Quota = 0;
    bool UseQuota = false;
    // Counted by the loader when the test uses topics.
    std::int32_t TasksInTheme = 0;

    bool operator==(const TTheme&) const = default;
};

// The header of one opened test. Owns a temporary folder for the test's pictures,
// created by the constructor and deleted with everything in it by the destructor.
class TTest
{
public:
    TTest();
    ~TTest();
    TTest(const TTest&) = delete;
    TTest& operator=(const TTest&) = delete;

    // Reads the header record of the decompressed body; throws FormatError on short or
    // impossible data and on more grades or topics than limits allow. Marks are replaced,
    // topics merged by identifier.
    void LoadFromStream(BinaryReader& reader, const format::TTestLimits& limits = {});
    void SaveToStream(BinaryWriter& writer) const;

    int MarkCount() const { return static_cast<int>(Marks.size()); }
    // A copy of mark i (from 0); a default mark outside the scale.
    TMark GetMark(int i) const;
    // A different count resizes the scale and resets every mark i to Value i + 1,
    // Percent 0 and no name.
    void SetMarkCount(int n);
    // index counts from 1; ignored outside 1..MarkCount().
    void SetMark(int index, std::int32_t percent, const QString& name);

    int ThemeCount() const { return static_cast<int>(Themes.size()); }
    const TTheme& GetTheme(int i) const { return Themes.at(i); }
    // Index of the topic with identifier id, or -1.
    int FindTheme(std::int32_t id) const;
    // Updates the first topic with this identifier or appends one. Without a quota the
    // quota is 0; a negative quota is taken as 0.
    void SetTheme(std::int32_t id, const QString& name, bool useQuota, std::int32_t quota,
                  const QString& comment);

    void SetModified(bool flag) { Modified = flag; }

    // Counts TasksInTheme of every topic (when UseThemes is set) and TasksToAsk.
    void CountTasksToAsk(const TTaskList& tasks);

    // Whether the temporary folder could be made; writes into it fail otherwise.
    bool TempFolderCreated() const { return m_tempFolderCreated; }

    QString FileName;
    // Ends with a slash.
    QString TempFolder;
    bool Modified = false;
    QString Title;
    QString Author;
    QString Description;
    QString Instruction;
    QString ReservedText1;
    bool RandomTaskOrder = false;
    bool RandomVariantOrder = false;
    std::int32_t TestTimeLimit = 0;
    std::int32_t TaskLimit = 0;
    bool EducationMode = false;
    bool PenaltyMode = false;
    bool AllowSkipping = false;
    bool AllowNetReport = false;
    QString ReservedText2;
    QString OpenPassword;
    QString StartPassword;
    QList<TMark> Marks;
    bool NoPartialCredit = false;
    QList<TTheme> Themes;
    bool UseThemes = false;
    std::uint32_t FileCRC = 0;
    QDateTime Created;
    QDateTime Saved;
    QString UId;
    std::int32_t TasksToAsk = 0;

private:
    bool m_tempFolderCreated = false;
};

inline const QString kDefaultThemeName = QStringLiteral("Общий список заданий (без темы)");
inline const QString kDefaultThemeComment = QStringLiteral("Основная тема. Ее удалить нельзя.");

} // namespace kvizor
