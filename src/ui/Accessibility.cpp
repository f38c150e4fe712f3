#include "ui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace kvizor {

namespace {

// Read by the name made from its text, with its own role.
class TSpokenLabelAccessible : public QAccessibleWidget
{
public:
    explicit TSpokenLabelAccessible(TSpokenLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override
    {
        return QAccessible::Role(static_cast<const TSpokenLabel*>(widget())->accessibleRole());
    }

    QString text(QAccessible::Text t) const override
    {
        const auto* label = static_cast<const TSpokenLabel*>(widget());
        if (t == QAccessible::Name)
            return label->spokenText();
        return QAccessibleWidget::text(t);
    }
};

// A drop-down list read by its own name, its entry as the value. Qt reads a list on Linux
// by the entry it shows, so "Вариант 2: Москва" would otherwise be heard as "3".
class TNamedListAccessible : public QAccessibleWidget
{
public:
    explicit TNamedListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return list()->currentText();
        if (t == QAccessible::Name && list()->accessibleName().isEmpty())
            return list()->currentText();
        return QAccessibleWidget::text(t);
    }
    // The open list of entries.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child != nullptr && child->object() == list()->view() ? 0 : -1;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("kvizor::TSpokenLabel"))
        return new TSpokenLabelAccessible(static_cast<TSpokenLabel*>(object));
    if (className == QLatin1String("QComboBox")) {
        auto* list = static_cast<QComboBox*>(object);
        if (!list->isEditable())
            return new TNamedListAccessible(list);
    }
    return nullptr;
}

} // namespace

namespace accessibility {

void install()
{
    // Qt keeps one copy of each factory however often it is installed.
    QAccessible::installFactory(factory);
}

void nameChanged(QWidget* control)
{
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

QString oneLine(const QString& text)
{
    return text.simplified();
}

} // namespace accessibility

TSpokenLabel::TSpokenLabel(const QString& what, Speech speech, QWidget* parent)
    : QLabel(parent), m_speech(std::move(speech)), m_role(QAccessible::StaticText)
{
    // With a name of its own, QLabel does not announce every change of its text.
    setAccessibleName(what);
}

} // namespace kvizor
