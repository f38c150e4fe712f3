#include "TextFit.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTabBar>

namespace textfit {

namespace {

const QChar Ellipsis(0x2026);

// The size a tab asks for, as the tab bar itself computes it.
struct TabBarAccess : QTabBar
{
    static QSize hint(const QTabBar* bar, int index) { return (bar->*(&TabBarAccess::tabSizeHint))(index); }
};

// The class and the object name; a widget without a name of ours (Qt names its inner parts
// "qt_...") is named after its nearest named parent.
QString describe(const QWidget* widget)
{
    auto ours = [](const QWidget* w) {
        return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
    };
    QString name = widget->objectName();
    for (const QWidget* p = widget; !ours(p) && p->parentWidget() != nullptr;) {
        p = p->parentWidget();
        if (ours(p))
            name = p->objectName() + QStringLiteral("/") + widget->objectName();
    }
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(widget->metaObject()->className()), name);
}

// The part of the widget its window really shows: cut by every parent up to the window,
// or up to a scrolling area, whose contents scroll instead of being cut.
QRect visibleRect(const QWidget* widget)
{
    const QWidget* window = widget->window();
    QRect visible(widget->mapTo(window, QPoint(0, 0)), widget->size());
    for (const QWidget* p = widget->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget());
        if (area != nullptr && area->viewport() == p)
            return visible.translated(-widget->mapTo(window, QPoint(0, 0)));
        visible &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    }
    visible &= window->rect();
    return visible.translated(-widget->mapTo(window, QPoint(0, 0)));
}

class Checker
{
public:
    QStringList problems;

    // needed: what the text takes; room: the rectangle the widget gives it; alignment: how
    // the text sits in that rectangle.
    void fit(const QWidget* widget, const QString& text, QSize needed, const QRect& room,
             Qt::Alignment alignment)
    {
        if (needed.width() > room.width() || needed.height() > room.height()) {
            problems.append(QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                                .arg(describe(widget), text)
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(room.width())
                                .arg(room.height()));
            return;
        }
        const QRect shown = QStyle::alignedRect(widget->layoutDirection(), alignment, needed, room);
        const QRect visible = visibleRect(widget);
        if (!visible.contains(shown)) {
            problems.append(QStringLiteral("%1 \"%2\": cut by its parents, shows %3 of %4")
                                .arg(describe(widget), text)
                                .arg(QStringLiteral("%1x%2")
                                         .arg((visible & shown).width())
                                         .arg((visible & shown).height()),
                                     QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
        }
    }

    void label(const QLabel* label)
    {
        if (label->text().isEmpty() || !label->pixmap().isNull())
            return;
        // Shortened on purpose: the short text must still fit, the tooltip says the rest.
        if (label->text().contains(Ellipsis) && label->toolTip().isEmpty())
            problems.append(describe(label) + QStringLiteral(" is shortened without a tooltip"));
        // QLabel's own measures of its text, whatever a subclass asks of layouts.
        const QSize needed = label->wordWrap() ? QSize(label->QLabel::minimumSizeHint().width(),
                                                       label->QLabel::heightForWidth(label->width()))
                                               : label->QLabel::sizeHint();
        fit(label, label->text(), needed, label->rect(), label->alignment());
    }

    void button(const QAbstractButton* button)
    {
        if (button->text().isEmpty())
            return;
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        if (const auto* push = qobject_cast<const QPushButton*>(button)) {
            if (push->autoDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            if (push->isDefault())
                option.features |= QStyleOptionButton::DefaultButton;
            alignment = Qt::AlignCenter;
        } else if (qobject_cast<const QCheckBox*>(button) != nullptr) {
            contents = QStyle::SE_CheckBoxContents;
        } else if (qobject_cast<const QRadioButton*>(button) != nullptr) {
            contents = QStyle::SE_RadioButtonContents;
        } else {
            fit(button, button->text(), button->sizeHint(), button->rect(), Qt::AlignCenter);
            return;
        }
        QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        if (!button->icon().isNull()) {
            needed.rwidth() += button->iconSize().width() + 4;
            needed.setHeight(std::max(needed.height(), button->iconSize().height()));
        }
        fit(button, button->text(), needed, button->style()->subElementRect(contents, &option, button),
            alignment);
    }

    void comboBox(const QComboBox* box)
    {
        if (box->isEditable())
            return;
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = false;
        option.frame = box->hasFrame();
        option.currentText = box->currentText();
        option.currentIcon = box->itemIcon(box->currentIndex());
        option.iconSize = box->iconSize();
        const QRect field =
            box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        const QFontMetrics metrics = box->fontMetrics();
        // The shown entry, one pixel in from each side of the field.
        if (!box->currentText().isEmpty()) {
            int width = metrics.horizontalAdvance(box->currentText()) + 2;
            if (!option.currentIcon.isNull())
                width += box->iconSize().width() + 4;
            fit(box, box->currentText(), QSize(width, metrics.height()), field,
                Qt::AlignLeft | Qt::AlignVCenter);
        }
        // The popup grows to its widest entry, up to the screen.
        const int screenWidth = box->screen()->availableGeometry().width();
        for (int i = 0; i < box->count(); ++i) {
            const int width = metrics.horizontalAdvance(box->itemText(i)) + box->iconSize().width() + 16;
            if (width > screenWidth && box->itemData(i, Qt::ToolTipRole).toString().isEmpty())
                problems.append(QStringLiteral("%1 entry \"%2\": wider than the screen")
                                    .arg(describe(box), box->itemText(i)));
        }
    }

    void lineEdit(const QLineEdit* edit)
    {
        const int needed = edit->minimumSizeHint().height();
        if (edit->height() < needed)
            problems.append(QStringLiteral("%1 \"%2\": a line needs %3 high, has %4")
                                .arg(describe(edit), edit->text())
                                .arg(needed)
                                .arg(edit->height()));
        if (!edit->isReadOnly() || edit->text().isEmpty())
            return;
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? 1 : 0;
        const QRect contents =
            edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit) - edit->textMargins();
        // Two pixels of margin on each side, as the edit draws.
        fit(edit, edit->text(), QSize(edit->fontMetrics().horizontalAdvance(edit->text()) + 4, 1), contents,
            Qt::AlignLeft | Qt::AlignVCenter);
    }

    void tabBar(const QTabBar* bar)
    {
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const QRect tab = bar->tabRect(i);
            if (!bar->rect().contains(tab)) {
                problems.append(
                    QStringLiteral("%1 tab \"%2\": outside the tab bar").arg(describe(bar), bar->tabText(i)));
                continue;
            }
            fit(bar, bar->tabText(i), QSize(TabBarAccess::hint(bar, i).width(), tab.height()), tab,
                Qt::AlignCenter);
        }
    }

    void groupBox(const QGroupBox* box)
    {
        if (box->title().isEmpty())
            return;
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.lineWidth = 1;
        option.midLineWidth = 0;
        option.textAlignment = box->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (box->isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        if (box->isFlat())
            option.features |= QStyleOptionFrame::Flat;
        const QRect title =
            box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        fit(box, box->title(), title.size(), box->rect().intersected(title), Qt::AlignLeft | Qt::AlignTop);
    }

    void menuBar(const QMenuBar* bar)
    {
        for (QAction* entry : bar->actions()) {
            if (!entry->isVisible() || entry->isSeparator())
                continue;
            const QRect place = bar->actionGeometry(entry);
            if (place.isEmpty() || !bar->rect().contains(place))
                problems.append(
                    QStringLiteral("%1 entry \"%2\": not shown whole").arg(describe(bar), entry->text()));
        }
    }

    void widget(const QWidget* w)
    {
        if (const auto* l = qobject_cast<const QLabel*>(w))
            label(l);
        else if (const auto* b = qobject_cast<const QAbstractButton*>(w))
            button(b);
        else if (const auto* c = qobject_cast<const QComboBox*>(w))
            comboBox(c);
        else if (const auto* e = qobject_cast<const QLineEdit*>(w))
            lineEdit(e);
        else if (const auto* t = qobject_cast<const QTabBar*>(w))
            tabBar(t);
        else if (const auto* g = qobject_cast<const QGroupBox*>(w))
            groupBox(g);
        else if (const auto* m = qobject_cast<const QMenuBar*>(w))
            menuBar(m);
    }
};

} // namespace

QStringList ClippedTexts(QWidget* window)
{
    Checker checker;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (const QWidget* w : std::as_const(widgets)) {
        if (w->isVisible())
            checker.widget(w);
    }
    return checker.problems;
}

} // namespace textfit
