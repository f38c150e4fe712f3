#pragma once

#include <QLabel>
#include <QString>

#include <functional>

class QWidget;

namespace kvizor {

// What a screen reader is told about the window's controls beyond Qt's own defaults.
namespace accessibility {

// Installs the interfaces below; done once, before the first window is built.
void install();
// Tells a listening screen reader that the control's name has changed.
void nameChanged(QWidget* control);
// Text as one line for a name: runs of blanks and line breaks become one blank.
QString oneLine(const QString& text);

} // namespace accessibility

// A label whose name for a screen reader is made from its text (a clock panel's
// "00:14:48" is read as "Осталось времени на тест: 00:14:48"). Having a name of its own, it
// does not announce its text changes by itself (a clock that ticks every second would drown
// out the rest); its owner announces those worth hearing (accessibility::nameChanged).
class TSpokenLabel : public QLabel
{
    Q_OBJECT

public:
    using Speech = std::function<QString(const QString& text)>;

    TSpokenLabel(const QString& what, Speech speech, QWidget* parent = nullptr);

    // The name read for the current text.
    QString spokenText() const { return m_speech(readText()); }
    // The text the name is made from: the label's own unless it shows a shortened one.
    virtual QString readText() const { return text(); }
    // The role read for the label (a plain label unless changed).
    int accessibleRole() const { return m_role; }
    void setAccessibleRole(int role) { m_role = role; }

private:
    Speech m_speech;
    int m_role;
};

} // namespace kvizor
