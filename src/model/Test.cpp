#include "Test.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FileSystem.h"
#include "common/FormatError.h"
#include "common/Guid.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <string>

namespace kvizor {
namespace {

// The one rule of storing a topic: without a quota the quota is 0, a negative one counts as 0.
void assignTheme(TTheme& theme, std::int32_t id, const QString& name, bool useQuota, std::int32_t quota,
                 const QString& comment)
{
    theme.Id = id;
    theme.Name = name;
    theme.Comment = comment;
    theme.UseQuota = useQuota;
    theme.Quota = useQuota ? std::max<std::int32_t>(quota, 0) : 0;
}

void checkLimit(std::int32_t count, std::int32_t limit, const char* what)
{
    if (count > limit)
        throw FormatError(std::string("more ") + what + " than a test may hold");
}

} // namespace

TTest::TTest()
{
    // Pictures of the test are private to the examinee's session: owner-only folder.
    TempFolder = QDir::tempPath() + QLatin1Char('/') + NewGuidString() + QLatin1Char('/');
    m_tempFolderCreated =
        QDir().mkdir(TempFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    SetMarkCount(5);
    SetMark(3, 50, QString());
    SetMark(4, 70, QString());
    SetMark(5, 85, QString());
    NoPartialCredit = true;
    SetTheme(0, kDefaultThemeName, false, 0, kDefaultThemeComment);
    AllowNetReport = true;
    Created = QDateTime::currentDateTime();
    Modified = false;
}

TTest::~TTest()
{
    // Only a folder this object made is removed, never one that existed before.
    if (m_tempFolderCreated && QFileInfo(TempFolder).isDir())
        DeleteFolder(TempFolder);
}

TMark TTest::GetMark(int i) const
{
    if (i < 0 || i >= Marks.size())
        return {};
    return Marks.at(i);
}

void TTest::SetMarkCount(int n)
{
    n = std::max(n, 0);
    if (n == Marks.size())
        return;
    Marks.resize(n);
    for (int i = 0; i < n; ++i)
        Marks[i] = TMark{i + 1, 0, QString()};
    Modified = true;
}

void TTest::SetMark(int index, std::int32_t percent, const QString& name)
{
    if (index < 1 || index > Marks.size())
        return;
    TMark& mark = Marks[index - 1];
    if (mark.Percent != percent || mark.Name != name)
        Modified = true;
    mark.Percent = percent;
    mark.Name = name;
}

int TTest::FindTheme(std::int32_t id) const
{
    for (int i = 0; i < Themes.size(); ++i) {
        if (Themes.at(i).Id == id)
            return i;
    }
    return -1;
}

void TTest::SetTheme(std::int32_t id, const QString& name, bool useQuota, std::int32_t quota,
                     const QString& comment)
{
    const int at = FindTheme(id);
    assignTheme(at >= 0 ? Themes[at] : Themes.emplace_back(), id, name, useQuota, quota, comment);
    Modified = true;
}

void TTest::CountTasksToAsk(const TTaskList& tasks)
{
    if (!UseThemes) {
        TasksToAsk = static_cast<std::int32_t>(tasks.size());
        return;
    }
    // One pass over the tasks, so many topics with many tasks count in linear time.
    QHash<std::int32_t, std::int32_t> perTheme;
    for (const auto& task : tasks)
        ++perTheme[task->ThemeId];
    std::int64_t total = 0;
    for (TTheme& theme : Themes) {
        theme.TasksInTheme = perTheme.value(theme.Id);
        total += theme.UseQuota ? std::min(theme.Quota, theme.TasksInTheme) : theme.TasksInTheme;
    }
    TasksToAsk = static_cast<std::int32_t>(total);
}

void TTest::LoadFromStream(BinaryReader& reader, const format::TTestLimits& limits)
{
    Title = reader.readLstr();
    Author = reader.readLstr();
    Description = reader.readLstr();
    Instruction = reader.readLstr();
    reader.readByte();
    ReservedText1 = reader.readLstr();
    RandomTaskOrder = reader.readFlag();
    RandomVariantOrder = reader.readFlag();
    TestTimeLimit = reader.readInt32();
    TaskLimit = reader.readInt32();
    EducationMode = reader.readFlag();
    PenaltyMode = reader.readFlag();
    AllowSkipping = reader.readFlag();
    AllowNetReport = reader.readFlag();
    ReservedText2 = reader.readLstr();
    OpenPassword = reader.readLstr();
    StartPassword = reader.readLstr();

    const std::int32_t markCount = reader.readInt32();
    checkLimit(markCount, limits.Marks, "grades");
    reader.checkCount(markCount, 12);
    // Appended one by one: a damaged count cannot allocate more than the data holds.
    QList<TMark> marks;
    for (std::int32_t i = 0; i < markCount; ++i) {
        TMark mark;
        mark.Value = reader.readInt32();
        mark.Percent = reader.readInt32();
        mark.Name = reader.readLstr();
        marks.append(mark);
    }
    Marks = marks;

    NoPartialCredit = reader.readFlag();
    Created = reader.readDateTime();
    Saved = reader.readDateTime();
    UId = reader.readLstr();

    const std::int32_t themeCount = reader.readInt32();
    checkLimit(themeCount, limits.Themes, "topics");
    reader.checkCount(themeCount, 17);
    // Merged by identifier as SetTheme does (the first topic of an identifier is updated),
    // through an index so that many topics load in linear time.
    QHash<std::int32_t, qsizetype> index;
    for (qsizetype i = Themes.size() - 1; i >= 0; --i)
        index.insert(Themes.at(i).Id, i);
    for (std::int32_t i = 0; i < themeCount; ++i) {
        const std::int32_t id = reader.readInt32();
        const QString name = reader.readLstr();
        const QString comment = reader.readLstr();
        const std::int32_t quota = reader.readInt32();
        const bool useQuota = reader.readFlag();
        const auto found = index.constFind(id);
        if (found != index.constEnd()) {
            assignTheme(Themes[*found], id, name, useQuota, quota, comment);
        } else {
            index.insert(id, Themes.size());
            assignTheme(Themes.emplace_back(), id, name, useQuota, quota, comment);
        }
        Modified = true;
    }
    UseThemes = reader.readFlag();
    reader.skip(3 * 4 + 3);
}

void TTest::SaveToStream(BinaryWriter& writer) const
{
    writer.writeLstr(Title);
    writer.writeLstr(Author);
    writer.writeLstr(Description);
    writer.writeLstr(Instruction);
    writer.writeByte(0);
    writer.writeLstr(ReservedText1);
    writer.writeFlag(RandomTaskOrder);
    writer.writeFlag(RandomVariantOrder);
    writer.writeInt32(TestTimeLimit);
    writer.writeInt32(TaskLimit);
    writer.writeFlag(EducationMode);
    writer.writeFlag(PenaltyMode);
    writer.writeFlag(AllowSkipping);
    writer.writeFlag(AllowNetReport);
    writer.writeLstr(ReservedText2);
    writer.writeLstr(OpenPassword);
    writer.writeLstr(StartPassword);
    writer.writeInt32(static_cast<std::int32_t>(Marks.size()));
    for (const TMark& mark : Marks) {
        writer.writeInt32(mark.Value);
        writer.writeInt32(mark.Percent);
        writer.writeLstr(mark.Name);
    }
    writer.writeFlag(NoPartialCredit);
    writer.writeDateTime(Created);
    writer.writeDateTime(Saved);
    writer.writeLstr(UId);
    writer.writeInt32(static_cast<std::int32_t>(Themes.size()));
    for (const TTheme& theme : Themes) {
        writer.writeInt32(theme.Id);
        writer.writeLstr(theme.Name);
        writer.writeLstr(theme.Comment);
        writer.writeInt32(theme.Quota);
        writer.writeFlag(theme.UseQuota);
    }
    writer.writeFlag(UseThemes);
    for (int i = 0; i < 3; ++i)
        writer.writeInt32(0);
    for (int i = 0; i < 3; ++i)
        writer.writeByte(0);
}

} // namespace kvizor
