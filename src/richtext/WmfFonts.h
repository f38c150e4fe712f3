#pragma once

#include "MetafileCodecs.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

// The fonts libwmf measures metafile text with. Left alone it wants the URW Type 1 fonts,
// which a machine may lack; then no metafile converts at all. Each PostScript name libwmf
// asks for gets a metric-compatible stand-in from the fonts the program already needs
// (Liberation for Arial, Times New Roman and Courier New, DejaVu for every other face), so
// text keeps the widths it had where the metafile was made.
namespace kvizor::metafile {

// The stand-in chosen for one PostScript name; file is empty only when no stand-in at all
// was found.
struct WmfFontChoice
{
    QByteArray psName;
    QString file;
    QString family;
};

class WmfFontSet
{
public:
    // Looks for the stand-ins in the folders and their sub-folders, earlier folders first.
    explicit WmfFontSet(const QStringList& folders);

    const QList<WmfFontChoice>& choices() const { return m_choices; }
    // The family the SVG should name instead of the one libwmf wrote ("Helvetica",
    // "Times", "Courier", "Symbol"); empty when no stand-in was found for it.
    QString svgFamily(QByteArrayView written) const;
    // The form the converter module takes; valid as long as this set.
    const KvizorWmfFonts* forModule() const { return &m_module; }

private:
    QList<WmfFontChoice> m_choices;
    QList<QByteArray> m_paths;
    QList<KvizorWmfFont> m_entries;
    std::array<unsigned short, 128> m_highBytes{};
    KvizorWmfFonts m_module{};
};

// The fonts folders of the user and of the system (the "fonts" folders of the data
// folders), where the stand-ins are looked for unless SetFontFolders says otherwise.
QStringList DefaultFontFolders();

// Where metafile text looks for its fonts; an empty list restores the default folders.
// Meant for start-up and for tests; conversions started later use the new folders.
void SetFontFolders(const QStringList& folders);
// The set for the folders in force, found once and kept.
std::shared_ptr<const WmfFontSet> CurrentWmfFonts();

} // namespace kvizor::metafile
