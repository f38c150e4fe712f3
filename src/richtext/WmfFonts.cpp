#include "WmfFonts.h"

#include "common/Cp1251.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <algorithm>

namespace kvizor::metafile {
namespace {

struct Candidate
{
    const char* file;
    const char* family;
};

// Every PostScript name libwmf draws with, and its stand-ins, best first. The metric
// twins of the Windows faces come first; DejaVu is there on every machine the program
// installs on.
struct Slot
{
    const char* psName;
    const char* svgFamily; // the family libwmf writes into the SVG for this name
    Candidate candidates[3];
};

constexpr Slot Slots[] = {
    {"Helvetica",
     "Helvetica",
     {{"LiberationSans-Regular.ttf", "Liberation Sans"},
      {"Arimo-Regular.ttf", "Arimo"},
      {"DejaVuSans.ttf", "DejaVu Sans"}}},
    {"Helvetica-Oblique",
     "Helvetica",
     {{"LiberationSans-Italic.ttf", "Liberation Sans"},
      {"Arimo-Italic.ttf", "Arimo"},
      {"DejaVuSans-Oblique.ttf", "DejaVu Sans"}}},
    {"Helvetica-Bold",
     "Helvetica",
     {{"LiberationSans-Bold.ttf", "Liberation Sans"},
      {"Arimo-Bold.ttf", "Arimo"},
      {"DejaVuSans-Bold.ttf", "DejaVu Sans"}}},
    {"Helvetica-BoldOblique",
     "Helvetica",
     {{"LiberationSans-BoldItalic.ttf", "Liberation Sans"},
      {"Arimo-BoldItalic.ttf", "Arimo"},
      {"DejaVuSans-BoldOblique.ttf", "DejaVu Sans"}}},
    {"Times-Roman",
     "Times",
     {{"LiberationSerif-Regular.ttf", "Liberation Serif"},
      {"Tinos-Regular.ttf", "Tinos"},
      {"DejaVuSerif.ttf", "DejaVu Serif"}}},
    {"Times-Italic",
     "Times",
     {{"LiberationSerif-Italic.ttf", "Liberation Serif"},
      {"Tinos-Italic.ttf", "Tinos"},
      {"DejaVuSerif-Italic.ttf", "DejaVu Serif"}}},
    {"Times-Bold",
     "Times",
     {{"LiberationSerif-Bold.ttf", "Liberation Serif"},
      {"Tinos-Bold.ttf", "Tinos"},
      {"DejaVuSerif-Bold.ttf", "DejaVu Serif"}}},
    {"Times-BoldItalic",
     "Times",
     {{"LiberationSerif-BoldItalic.ttf", "Liberation Serif"},
      {"Tinos-BoldItalic.ttf", "Tinos"},
      {"DejaVuSerif-BoldItalic.ttf", "DejaVu Serif"}}},
    {"Courier",
     "Courier",
     {{"LiberationMono-Regular.ttf", "Liberation Mono"},
      {"Cousine-Regular.ttf", "Cousine"},
      {"DejaVuSansMono.ttf", "DejaVu Sans Mono"}}},
    {"Courier-Oblique",
     "Courier",
     {{"LiberationMono-Italic.ttf", "Liberation Mono"},
      {"Cousine-Italic.ttf", "Cousine"},
      {"DejaVuSansMono-Oblique.ttf", "DejaVu Sans Mono"}}},
    {"Courier-Bold",
     "Courier",
     {{"LiberationMono-Bold.ttf", "Liberation Mono"},
      {"Cousine-Bold.ttf", "Cousine"},
      {"DejaVuSansMono-Bold.ttf", "DejaVu Sans Mono"}}},
    {"Courier-BoldOblique",
     "Courier",
     {{"LiberationMono-BoldItalic.ttf", "Liberation Mono"},
      {"Cousine-BoldItalic.ttf", "Cousine"},
      {"DejaVuSansMono-BoldOblique.ttf", "DejaVu Sans Mono"}}},
    // Faces of no known metric twin come here (the module's choice), drawn with DejaVu.
    {"Symbol", "Symbol", {{"DejaVuSans.ttf", "DejaVu Sans"}, {nullptr, nullptr}, {nullptr, nullptr}}},
};

// The file of each wanted name found first in the folders.
QHash<QString, QString> findFiles(const QStringList& folders)
{
    QStringList wanted;
    for (const Slot& slot : Slots) {
        for (const Candidate& c : slot.candidates) {
            if (c.file != nullptr && !wanted.contains(QLatin1String(c.file)))
                wanted.append(QString::fromLatin1(c.file));
        }
    }
    QHash<QString, QString> found;
    for (const QString& folder : folders) {
        QDirIterator it(folder, wanted, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = it.fileName();
            if (!found.contains(name))
                found.insert(name, path);
        }
    }
    return found;
}

// A style without a file of its own borrows its family's upright face, so that bold or
// italic text is still measured with about the right widths.
WmfFontChoice choose(const Slot& slot, const QHash<QString, QString>& files)
{
    WmfFontChoice choice{QByteArray(slot.psName), {}, {}};
    for (const Candidate& c : slot.candidates) {
        if (c.file == nullptr)
            break;
        const QString path = files.value(QString::fromLatin1(c.file));
        if (!path.isEmpty()) {
            choice.file = path;
            choice.family = QString::fromLatin1(c.family);
            return choice;
        }
    }
    return choice;
}

std::array<unsigned short, 128> highBytes()
{
    std::array<unsigned short, 128> table{};
    for (int i = 0; i < 128; ++i)
        table[std::size_t(i)] = cp1251::toChar(static_cast<unsigned char>(0x80 + i)).unicode();
    return table;
}

} // namespace

WmfFontSet::WmfFontSet(const QStringList& folders)
{
    const QHash<QString, QString> files = findFiles(folders);
    QHash<QByteArray, WmfFontChoice> upright;
    for (const Slot& slot : Slots) {
        WmfFontChoice choice = choose(slot, files);
        const QByteArray family(slot.svgFamily);
        if (choice.file.isEmpty() && upright.contains(family))
            choice = WmfFontChoice{choice.psName, upright[family].file, upright[family].family};
        if (!choice.file.isEmpty() && !upright.contains(family))
            upright.insert(family, choice);
        m_choices.append(choice);
    }
    // A kind of face with no file at all is measured and drawn with the first stand-in
    // there is, rather than left to whatever the machine's font matching picks.
    const auto found = std::find_if(m_choices.cbegin(), m_choices.cend(),
                                    [](const WmfFontChoice& c) { return !c.file.isEmpty(); });
    if (found != m_choices.cend()) {
        const WmfFontChoice any = *found;
        for (WmfFontChoice& choice : m_choices) {
            if (choice.file.isEmpty())
                choice = WmfFontChoice{choice.psName, any.file, any.family};
        }
    }
    m_paths.reserve(m_choices.size());
    for (const WmfFontChoice& choice : m_choices)
        m_paths.append(QFile::encodeName(choice.file));
    for (qsizetype i = 0; i < m_choices.size(); ++i)
        m_entries.append(KvizorWmfFont{m_choices[i].psName.constData(), m_paths[i].constData()});
    m_highBytes = highBytes();
    m_module = KvizorWmfFonts{m_entries.constData(), std::size_t(m_entries.size()), m_highBytes.data()};
}

QString WmfFontSet::svgFamily(QByteArrayView written) const
{
    for (qsizetype i = 0; i < m_choices.size(); ++i) {
        if (written == Slots[i].svgFamily && !m_choices[i].family.isEmpty())
            return m_choices[i].family;
    }
    return {};
}

QStringList DefaultFontFolders()
{
    return QStandardPaths::standardLocations(QStandardPaths::FontsLocation);
}

namespace {

struct FontState
{
    QMutex mutex;
    QStringList folders; // empty: the defaults
    std::shared_ptr<const WmfFontSet> set;
};

FontState& fontState()
{
    static FontState state;
    return state;
}

} // namespace

void SetFontFolders(const QStringList& folders)
{
    FontState& state = fontState();
    const QMutexLocker lock(&state.mutex);
    if (state.folders == folders && state.set)
        return;
    state.folders = folders;
    state.set.reset();
}

std::shared_ptr<const WmfFontSet> CurrentWmfFonts()
{
    FontState& state = fontState();
    const QMutexLocker lock(&state.mutex);
    if (!state.set)
        state.set = std::make_shared<const WmfFontSet>(state.folders.isEmpty() ? DefaultFontFolders()
                                                                               : state.folders);
    return state.set;
}

} // namespace kvizor::metafile
