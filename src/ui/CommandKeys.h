#pragma once

#include <QObject>

class QWidget;

namespace kvizor {

// The shortcuts of a window's commands win over the key bindings of its controls. On X11
// a line edit claims Ctrl+U (delete the line) and Ctrl+D (delete a character) for itself,
// so without this the zoom keys would erase a typed answer instead of zooming.
class TCommandKeys : public QObject
{
    Q_OBJECT

public:
    // Watches the key presses of the window's controls for as long as the window lives.
    explicit TCommandKeys(QWidget& window);
    ~TCommandKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isCommandKey(const QKeyCombination& key) const;

    QWidget& m_window;
};

} // namespace kvizor
