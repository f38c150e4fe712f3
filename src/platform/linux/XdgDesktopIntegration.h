#pragma once

#include "platform/DesktopIntegration.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <optional>

namespace kvizor {

// Folders of the freedesktop.org desktop that the integration writes to.
struct XdgLocations
{
    QString dataHome;      // $XDG_DATA_HOME, usually ~/.local/share
    QString desktopFolder; // the user's desktop folder
    // $XDG_DATA_DIRS: where an installed program's icons are found.
    QStringList systemDataFolders;

    static XdgLocations current();
};

class CacheRefresher;

// The association is a shared-mime-info package that gives "*.kvf" a MIME type, plus a hidden
// desktop entry that opens that type with the program; shortcuts are desktop entries on the
// desktop and in the menu folder "Kvizor3". A copy of the program that is not installed puts
// its icons into the user's icon theme, so entries and test files show them too. The caches
// are refreshed in the background with update-mime-database / update-desktop-database when
// those tools are installed; their failures reach the late failure handler.
class XdgDesktopIntegration : public DesktopIntegration
{
public:
    static constexpr QLatin1String MimeType{"application/x-kvizor-test"};
    static constexpr QLatin1String MimeIconName{"application-x-kvizor-test"};
    static constexpr QLatin1String ProgramIconName{"kvizorstudent"};
    static constexpr QLatin1String ProgramName{"KvizorStudent"};
    static constexpr QLatin1String MimePackageFileName{"kvizor3-kvf.xml"};
    static constexpr QLatin1String AssociationEntryFileName{"kvizor3-kvf.desktop"};
    static constexpr QLatin1String ShortcutFileName{"KvizorStudent.desktop"};
    static constexpr QLatin1String MenuFolderName{"Kvizor3"};

    // toolSearchPaths: where to look for the cache tools; empty means PATH.
    XdgDesktopIntegration(const QString& programPath, const XdgLocations& locations,
                          const QStringList& toolSearchPaths = {});
    ~XdgDesktopIntegration() override;
    XdgDesktopIntegration(XdgDesktopIntegration&&) noexcept;
    XdgDesktopIntegration& operator=(XdgDesktopIntegration&&) = delete;

    bool isAvailable() const override;
    IntegrationResult RegisterAssociation() override;
    bool IsAssociationRegistered() const override;
    IntegrationResult removeAssociation() override;
    IntegrationResult createDesktopShortcut() override;
    IntegrationResult createMenuShortcut() override;
    void setLateFailureHandler(std::function<void(const QString&)> handler) override;

    // Whether cache tools started by an action are still running or waiting.
    bool isRefreshingCaches() const;
    // The icons in the user's theme, relative to the data folder; written only when no
    // system data folder has them.
    static QStringList iconPaths();

    QString mimePackagePath() const;
    QString associationEntryPath() const;
    QString desktopShortcutPath() const;
    QString menuShortcutPath() const;

    // The exact contents written; empty when the program's path cannot be written into a
    // desktop entry (it holds control characters).
    QByteArray mimePackageText() const;
    QByteArray associationEntryText() const;
    QByteArray shortcutText() const;

private:
    QString applicationsFolder() const;
    // Starts a cache tool when it is installed.
    void runTool(const QString& name, const QStringList& arguments);
    void refreshCaches();
    std::optional<QString> installIcons() const;
    IntegrationResult writeShortcut(const QString& path, const QString& successText);

    struct ReleaseRefresher
    {
        void operator()(CacheRefresher* refresher) const;
    };

    QString m_programPath;
    XdgLocations m_locations;
    QStringList m_toolSearchPaths;
    std::function<void(const QString&)> m_lateFailure;
    std::unique_ptr<CacheRefresher, ReleaseRefresher> m_refresher;
};

namespace xdg {

// The program path as one argument of an Exec key: in double quotes when it holds a reserved
// character (with the characters special inside quotes escaped), percent signs doubled.
QString QuoteExecArgument(const QString& argument);
// Escapes a value of a desktop entry key of string type.
QString EscapeString(const QString& value);
// Whether a text can be written into a desktop entry value at all.
bool IsWritableValue(const QString& value);

} // namespace xdg

} // namespace kvizor
