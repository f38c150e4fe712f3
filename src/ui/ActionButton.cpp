#include "ui/ActionButton.h"

#include <QAbstractButton>
#include <QAction>

namespace kvizor {

void bindButtonToAction(QAbstractButton* button, QAction* action)
{
    auto sync = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    sync();
    QObject::connect(action, &QAction::changed, button, sync);
    QObject::connect(button, &QAbstractButton::clicked, action, [action] {
        if (action->isEnabled())
            action->trigger();
    });
}

} // namespace kvizor
