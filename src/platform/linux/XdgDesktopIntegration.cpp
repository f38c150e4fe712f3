#include "XdgDesktopIntegration.h"

#include "CacheRefresher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace kvizor {

namespace {

QString failedWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// Writes the whole file or nothing, so a failure never leaves a half-written entry.
std::optional<QString> writeFile(const QString& path, const QByteArray& content,
                                 QFileDevice::Permissions permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failedWrite(path, file.errorString());
    if (file.write(content) != content.size() || !file.commit())
        return failedWrite(path, file.errorString());
    if (!QFile::setPermissions(path, permissions))
        return failedWrite(path, QStringLiteral("не удалось установить права доступа"));
    return std::nullopt;
}

bool holdsExactly(const QString& path, const QByteArray& expected)
{
    QFile file(path);
    if (expected.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    // Read one byte more than expected, so a longer file is caught without reading all of it.
    return file.read(expected.size() + 1) == expected;
}

std::optional<QString> removeFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.remove())
        return std::nullopt;
    return QStringLiteral("Не удалось удалить файл %1: %2")
        .arg(QDir::toNativeSeparators(path), file.errorString());
}

constexpr QFileDevice::Permissions ReadablePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
// Desktop launchers must be executable, or file managers refuse to start them.
constexpr QFileDevice::Permissions LauncherPermissions =
    ReadablePermissions | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;

} // namespace

namespace xdg {

QString QuoteExecArgument(const QString& argument)
{
    // Quotes only when needed: some launchers split Exec at blanks and do not undo quotes.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                               [](QChar c) { return reserved.contains(c); });
    QString result = needsQuotes ? QStringLiteral("\"") : QString();
    for (const QChar c : argument) {
        if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                            c == QLatin1Char('\\')))
            result += QLatin1Char('\\');
        result += c;
        if (c == QLatin1Char('%'))
            result += QLatin1Char('%');
    }
    if (needsQuotes)
        result += QLatin1Char('"');
    return result;
}

QString EscapeString(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QLatin1String("\\s"));
    return escaped;
}

bool IsWritableValue(const QString& value)
{
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace xdg

XdgLocations XdgLocations::current()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QStringList system = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    system.removeAll(dataHome);
    return {dataHome, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), system};
}

std::unique_ptr<DesktopIntegration> DesktopIntegration::create()
{
    return std::make_unique<XdgDesktopIntegration>(QCoreApplication::applicationFilePath(),
                                                   XdgLocations::current());
}

XdgDesktopIntegration::XdgDesktopIntegration(const QString& programPath, const XdgLocations& locations,
                                             const QStringList& toolSearchPaths)
    : m_programPath(programPath), m_locations(locations), m_toolSearchPaths(toolSearchPaths)
{
}

XdgDesktopIntegration::~XdgDesktopIntegration() = default;
XdgDesktopIntegration::XdgDesktopIntegration(XdgDesktopIntegration&&) noexcept = default;

void XdgDesktopIntegration::ReleaseRefresher::operator()(CacheRefresher* refresher) const
{
    refresher->release();
}

void XdgDesktopIntegration::setLateFailureHandler(std::function<void(const QString&)> handler)
{
    m_lateFailure = std::move(handler);
    if (m_refresher)
        m_refresher->setFailureHandler(m_lateFailure);
}

bool XdgDesktopIntegration::isRefreshingCaches() const
{
    return m_refresher && !m_refresher->isIdle();
}

QStringList XdgDesktopIntegration::iconPaths()
{
    return {QStringLiteral("icons/hicolor/scalable/apps/") + ProgramIconName + QStringLiteral(".svg"),
            QStringLiteral("icons/hicolor/scalable/mimetypes/") + MimeIconName + QStringLiteral(".svg")};
}

std::optional<QString> XdgDesktopIntegration::installIcons() const
{
    const QStringList paths = iconPaths();
    const QStringList resources{QStringLiteral(":/kvizor/icons/") + ProgramIconName + QStringLiteral(".svg"),
                                QStringLiteral(":/kvizor/icons/") + MimeIconName + QStringLiteral(".svg")};
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const bool installed = std::any_of(
            m_locations.systemDataFolders.begin(), m_locations.systemDataFolders.end(),
            [&](const QString& folder) { return QFileInfo::exists(QDir(folder).filePath(paths[i])); });
        if (installed)
            continue;
        QFile resource(resources[i]);
        if (!resource.open(QIODevice::ReadOnly))
            return failedWrite(resources[i], resource.errorString());
        const QByteArray icon = resource.readAll();
        const QString target = QDir(m_locations.dataHome).filePath(paths[i]);
        if (holdsExactly(target, icon))
            continue;
        if (auto error = writeFile(target, icon, ReadablePermissions))
            return error;
    }
    return std::nullopt;
}
bool XdgDesktopIntegration::isAvailable() const
{
    return !m_locations.dataHome.isEmpty();
}

QString XdgDesktopIntegration::applicationsFolder() const
{
    return QDir(m_locations.dataHome).filePath(QStringLiteral("applications"));
}

QString XdgDesktopIntegration::mimePackagePath() const
{
    return QDir(m_locations.dataHome).filePath(QStringLiteral("mime/packages/") + MimePackageFileName);
}

QString XdgDesktopIntegration::associationEntryPath() const
{
    return QDir(applicationsFolder()).filePath(AssociationEntryFileName);
}

QString XdgDesktopIntegration::desktopShortcutPath() const
{
    return QDir(m_locations.desktopFolder).filePath(ShortcutFileName);
}

QString XdgDesktopIntegration::menuShortcutPath() const
{
    return QDir(applicationsFolder()).filePath(MenuFolderName + QLatin1Char('/') + ShortcutFileName);
}

QByteArray XdgDesktopIntegration::mimePackageText() const
{
    const QString text =
        QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                      "  <mime-type type=\"") +
        MimeType + QLatin1String("\">\n    <comment>") + Description() +
        QLatin1String("</comment>\n    <icon name=\"") + MimeIconName +
        QLatin1String("\"/>\n    <glob pattern=\"*") + Extension +
        QLatin1String("\"/>\n  </mime-type>\n</mime-info>\n");
    return text.toUtf8();
}

QByteArray XdgDesktopIntegration::associationEntryText() const
{
    if (m_programPath.isEmpty() || !xdg::IsWritableValue(m_programPath))
        return {};
    const QString text = QLatin1String("[Desktop Entry]\nType=Application\nVersion=1.0\nName=") +
                         ProgramName + QLatin1String("\nComment=") + Description() +
                         QLatin1String("\nExec=") + xdg::EscapeString(xdg::QuoteExecArgument(m_programPath)) +
                         QLatin1String(" %f\nIcon=") + ProgramIconName + QLatin1String("\nMimeType=") +
                         MimeType + QLatin1String(";\nNoDisplay=true\nTerminal=false\n");
    return text.toUtf8();
}

QByteArray XdgDesktopIntegration::shortcutText() const
{
    if (m_programPath.isEmpty() || !xdg::IsWritableValue(m_programPath))
        return {};
    QString folder = QFileInfo(m_programPath).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString text = QLatin1String("[Desktop Entry]\nType=Application\nVersion=1.0\nName=") +
                         ProgramName + QLatin1String("\nExec=") +
                         xdg::EscapeString(xdg::QuoteExecArgument(m_programPath)) + QLatin1String("\nPath=") +
                         xdg::EscapeString(folder) + QLatin1String("\nIcon=") + ProgramIconName +
                         QLatin1String("\nTerminal=false\nCategories=Education;\n");
    return text.toUtf8();
}

IntegrationResult XdgDesktopIntegration::RegisterAssociation()
{
    IntegrationResult result;
    if (!isAvailable()) {
        result.errorText = QStringLiteral("Папка данных пользователя не определена");
        return result;
    }
    const QByteArray entry = associationEntryText();
    if (entry.isEmpty()) {
        result.errorText =
            QStringLiteral("Путь к программе содержит недопустимые символы: %1").arg(m_programPath);
        return result;
    }
    if (auto error = writeFile(mimePackagePath(), mimePackageText(), ReadablePermissions)) {
        result.errorText = *error;
        return result;
    }
    if (auto error = writeFile(associationEntryPath(), entry, ReadablePermissions)) {
        result.errorText = *error;
        return result;
    }
    if (auto error = installIcons()) {
        result.errorText = *error;
        return result;
    }
    refreshCaches();
    result.ok = true;
    return result;
}

bool XdgDesktopIntegration::IsAssociationRegistered() const
{
    return isAvailable() && holdsExactly(mimePackagePath(), mimePackageText()) &&
           holdsExactly(associationEntryPath(), associationEntryText());
}

IntegrationResult XdgDesktopIntegration::removeAssociation()
{
    IntegrationResult result;
    if (!isAvailable()) {
        result.errorText = QStringLiteral("Папка данных пользователя не определена");
        return result;
    }
    std::optional<QString> error = removeFile(associationEntryPath());
    if (!error)
        error = removeFile(mimePackagePath());
    if (error) {
        result.errorText = *error;
        return result;
    }
    refreshCaches();
    result.ok = true;
    return result;
}

IntegrationResult XdgDesktopIntegration::createDesktopShortcut()
{
    if (m_locations.desktopFolder.isEmpty() || !QFileInfo(m_locations.desktopFolder).isDir()) {
        IntegrationResult result;
        result.errorText = QStringLiteral("Папка Рабочего стола не найдена: %1")
                               .arg(QDir::toNativeSeparators(m_locations.desktopFolder));
        return result;
    }
    return writeShortcut(desktopShortcutPath(), DesktopShortcutCreatedText());
}

IntegrationResult XdgDesktopIntegration::createMenuShortcut()
{
    if (!isAvailable()) {
        IntegrationResult result;
        result.errorText = QStringLiteral("Папка данных пользователя не определена");
        return result;
    }
    return writeShortcut(menuShortcutPath(), MenuShortcutCreatedText());
}

IntegrationResult XdgDesktopIntegration::writeShortcut(const QString& path, const QString& successText)
{
    IntegrationResult result;
    const QByteArray text = shortcutText();
    if (text.isEmpty()) {
        result.errorText =
            QStringLiteral("Путь к программе содержит недопустимые символы: %1").arg(m_programPath);
        return result;
    }
    if (auto error = writeFile(path, text, LauncherPermissions)) {
        result.errorText = *error;
        return result;
    }
    if (auto error = installIcons()) {
        result.errorText = *error;
        return result;
    }
    // Menus pick new entries up on their own; the desktop database is about types.
    result.ok = true;
    result.message = successText;
    return result;
}

void XdgDesktopIntegration::refreshCaches()
{
    runTool(QStringLiteral("update-mime-database"),
            {QDir(m_locations.dataHome).filePath(QStringLiteral("mime"))});
    runTool(QStringLiteral("update-desktop-database"), {applicationsFolder()});
}

void XdgDesktopIntegration::runTool(const QString& name, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(name, m_toolSearchPaths);
    if (program.isEmpty())
        return; // desktops without the tool pick the files up by themselves
    if (!m_refresher)
        m_refresher.reset(new CacheRefresher(m_lateFailure));
    m_refresher->run(program, name, arguments);
}

} // namespace kvizor
