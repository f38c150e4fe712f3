#include "TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace kvizor::test {
namespace {

constexpr char Marker[] = "KVIZOR_TEST_ENVIRONMENT";

// Variables a run was given on purpose (kvizor_add_test_run): those are left as they are.
bool given(const char* name)
{
    return qEnvironmentVariable("KVIZOR_TEST_GIVEN").split(u',').contains(QLatin1String(name));
}

void set(const char* name, const QByteArray& value)
{
    if (!given(name))
        qputenv(name, value);
}

void unset(const char* name)
{
    if (!given(name))
        qunsetenv(name);
}

QByteArray made(const QTemporaryDir& root, const char* name, QFile::Permissions permissions = {})
{
    const QString path = root.filePath(QString::fromLatin1(name));
    QDir().mkpath(path);
    if (permissions)
        QFile::setPermissions(path, permissions);
    return QFile::encodeName(path);
}

} // namespace

QByteArray FontConfiguration(const QStringList& leftOut)
{
    static const QStringList projectFonts = {
        QStringLiteral("LiberationSans-*.ttf"),    QStringLiteral("LiberationSerif-*.ttf"),
        QStringLiteral("LiberationMono-*.ttf"),    QStringLiteral("DejaVuSans.ttf"),
        QStringLiteral("DejaVuSans-Bold.ttf"),     QStringLiteral("DejaVuSansMono.ttf"),
        QStringLiteral("DejaVuSansMono-Bold.ttf"), QStringLiteral("DejaVuSerif.ttf"),
        QStringLiteral("DejaVuSerif-Bold.ttf")};
    QByteArray accepted;
    for (const QString& file : projectFonts) {
        if (!leftOut.contains(file))
            accepted += "      <glob>*/" + file.toUtf8() + "</glob>\n";
    }
    return "<?xml version=\"1.0\"?>\n"
           "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
           "<fontconfig>\n"
           "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
           "  <selectfont>\n"
           "    <acceptfont>\n" +
           accepted +
           "    </acceptfont>\n"
           // Font files only: a folder refused here would never be searched.
           "    <rejectfont><glob>*.*</glob></rejectfont>\n"
           "  </selectfont>\n"
           "</fontconfig>\n";
}

TestEnvironment::TestEnvironment()
{
    if (qEnvironmentVariableIsSet(Marker))
        return;
    m_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kvizor-test-XXXXXX"));
    if (!m_root->isValid()) {
        std::fprintf(stderr, "cannot make the test's folder in %s\n", qPrintable(QDir::tempPath()));
        std::exit(1);
    }
    const QTemporaryDir& root = *m_root;
    set(Marker, QFile::encodeName(root.path()));
    set("HOME", made(root, "home"));
    set("XDG_CONFIG_HOME", made(root, "config"));
    set("XDG_DATA_HOME", made(root, "data"));
    set("XDG_CACHE_HOME", made(root, "cache"));
    set("XDG_STATE_HOME", made(root, "state"));
    // Qt insists on a private runtime folder.
    set("XDG_RUNTIME_DIR", made(root, "runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // An empty system settings folder: a machine's lab-wide settings stay out.
    set("XDG_CONFIG_DIRS", made(root, "xdg"));
    set("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    set("TMPDIR", made(root, "tmp"));
    const QString fonts = root.filePath(QStringLiteral("fonts.conf"));
    QFile fontsFile(fonts);
    if (fontsFile.open(QIODevice::WriteOnly))
        fontsFile.write(FontConfiguration());
    set("FONTCONFIG_FILE", QFile::encodeName(fonts));
    set("QT_QPA_PLATFORM", "offscreen");
    set("TZ", "UTC");
    set("LANG", "ru_RU.UTF-8");
    set("LC_ALL", "ru_RU.UTF-8");
    for (const char* name : {"LANGUAGE", "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                             "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION",
                             "QT_SCALE_FACTOR", "QT_FONT_DPI", "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME"})
        unset(name);
    if (!qEnvironmentVariableIsSet("KVIZOR_SOURCE_DIR"))
        set("KVIZOR_SOURCE_DIR", QByteArray(KVIZOR_SOURCE_DIR));
}

TestEnvironment::~TestEnvironment()
{
    if (m_root)
        qunsetenv(Marker);
}

} // namespace kvizor::test
