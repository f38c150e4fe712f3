#pragma once

class QAbstractButton;
class QAction;

namespace kvizor {

// Makes a button run a command and follow its caption, enabling and visibility.
void bindButtonToAction(QAbstractButton* button, QAction* action);

} // namespace kvizor
