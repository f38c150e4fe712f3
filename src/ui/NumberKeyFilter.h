#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace kvizor {

// The key filter of the number field: "," and "." become the locale's decimal separator;
// only digits, one separator, "-" at the start, backspace and Enter are typed; a refused
// character is dropped with a beep. Pasted text is not filtered.
class TNumberKeyFilter : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the field.
    explicit TNumberKeyFilter(QLineEdit* field);

    static QChar decimalSeparator();
    // The sound of a refused character; the system's default beep unless replaced.
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the character is refused; *replacement is what is typed instead when it is not.
    bool refuses(QChar ch, QChar* replacement) const;

    QLineEdit* m_field;
    std::function<void()> m_beep;
};

} // namespace kvizor
