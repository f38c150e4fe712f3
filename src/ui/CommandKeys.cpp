#include "ui/CommandKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kvizor {

TCommandKeys::TCommandKeys(QWidget& window) : QObject(&window), m_window(window)
{
    qApp->installEventFilter(this);
}

TCommandKeys::~TCommandKeys()
{
    qApp->removeEventFilter(this);
}

bool TCommandKeys::isCommandKey(const QKeyCombination& key) const
{
    const QKeySequence pressed(key);
    const QList<QAction*> commands = m_window.actions();
    for (const QAction* command : commands) {
        if (command->isEnabled() && command->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

bool TCommandKeys::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != &m_window)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!isCommandKey(key->keyCombination()))
        return false;
    // Left unclaimed, the override lets the shortcut run the command; a key press that
    // still comes (the command could not run) is not typed into the control either.
    event->ignore();
    return true;
}

} // namespace kvizor
