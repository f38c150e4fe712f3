#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Finds texts a window cannot show whole: every visible label, button, check box, radio
// button, list (its shown entry and its popup entries), read-only line edit, line-edit
// height, tab caption, group box title and menu bar entry of the window is measured with its
// own font and style and compared with the room it really has, its parents' edges included.
// Contents of scrolling areas count as whole: they scroll. A label shortened on purpose
// (ending with "…", the full text as its tooltip) counts as whole when the short text fits.
namespace textfit {

// One line per text that does not fit: what, where, what it needs and what it has.
QStringList ClippedTexts(QWidget* window);

} // namespace textfit
