#include "ui/VariantGrid.h"

#include "ui/FontStandIns.h"
#include "ui/RichTextView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace kvizor {

namespace {

// The widest text a numbered control shows: marks are "+", "-" or numbers up to 10.
const QString WidestNumber = QStringLiteral("10");

QFont numberFont()
{
    QFont font(TahomaFamily(), 10);
    font.setBold(true);
    return font;
}

QLabel* makeNumberLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(numberFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00)); // maroon
    label->setPalette(palette);
    return label;
}

RichTextView* makeText(QWidget* parent, const QString& name)
{
    auto* text = new RichTextView(parent);
    text->setObjectName(name);
    const QFont font(TimesNewRomanFamily(), 12);
    text->setFont(font);
    text->document()->setDefaultFont(font);
    text->setEnabled(false);
    return text;
}

// A disabled numbered button of a slot whose clicks report a change of the answer.
template <typename Button>
Button* makeSlotButton(TVariantGrid* grid, int slot, const QString& name)
{
    auto* button = new Button(QString::number(slot + 1), grid);
    button->setObjectName(name);
    button->setEnabled(false);
    QObject::connect(button, &Button::clicked, grid, &TVariantGrid::answerChanged);
    return button;
}

// A slot's control, made the first time it is asked for.
template <typename Control, typename Make>
Control* made(std::array<Control*, TVariantGrid::SlotCount>& controls, int slot, bool* created, Make make)
{
    if (slot < 0 || slot >= TVariantGrid::SlotCount)
        return nullptr;
    Control*& control = controls[static_cast<std::size_t>(slot)];
    if (control == nullptr) {
        control = make();
        *created = true;
    }
    return control;
}

// The width a list needs for its widest entry, measured as the list measures itself. The
// grid sizes its lists itself: a list adjusting to its contents would resize itself to its
// own hint a moment after each change, out of its cell. An empty list needs nothing.
int listWidth(const QComboBox* box)
{
    const QFontMetrics metrics = box->fontMetrics();
    int text = -1;
    for (int i = 0; i < box->count(); ++i)
        text = std::max(text, metrics.boundingRect(box->itemText(i)).width());
    if (text < 0)
        return 0;
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    option.frame = box->hasFrame();
    const QSize contents(text, std::max(metrics.height(), 14) + 2);
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, box).width();
}

} // namespace

TVariantGrid::TVariantGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GridPanel"));
    m_listShown.fill(true);
}

RichTextView* TVariantGrid::variantText(int slot)
{
    return made(m_texts, slot, &m_tabOrderStale,
                [&] { return makeText(this, QStringLiteral("VariantRE_1_%1").arg(slot)); });
}

RichTextView* TVariantGrid::matchText(int slot)
{
    return made(m_matchTexts, slot, &m_tabOrderStale,
                [&] { return makeText(this, QStringLiteral("VariantRE_2_%1").arg(slot)); });
}

QRadioButton* TVariantGrid::radio(int slot)
{
    return made(m_radios, slot, &m_tabOrderStale, [&] {
        return makeSlotButton<QRadioButton>(this, slot, QStringLiteral("VariantRadioButton%1").arg(slot));
    });
}

QCheckBox* TVariantGrid::check(int slot)
{
    return made(m_checks, slot, &m_tabOrderStale, [&] {
        return makeSlotButton<QCheckBox>(this, slot, QStringLiteral("VariantCheckBox%1").arg(slot));
    });
}

QComboBox* TVariantGrid::list(int slot)
{
    return made(m_lists, slot, &m_tabOrderStale, [&] {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("VariantComboBox%1").arg(slot));
        box->setEditable(false);
        box->setEnabled(false);
        connect(box, &QComboBox::activated, this, &TVariantGrid::answerChanged);
        return box;
    });
}

QLabel* TVariantGrid::numberLabel(int slot)
{
    return made(m_numbers, slot, &m_tabOrderStale, [&] {
        return makeNumberLabel(this, QStringLiteral("VariantLabel1_%1").arg(slot), QString());
    });
}

QLabel* TVariantGrid::matchNumberLabel(int slot)
{
    return slot < MatchLabelCount ? matchNumberCell(slot) : nullptr;
}

QLabel* TVariantGrid::matchNumberCell(int slot)
{
    return made(m_matchNumbers, slot, &m_tabOrderStale, [&] {
        return slot < MatchLabelCount
                   ? makeNumberLabel(this, QStringLiteral("VariantLabel2_%1").arg(slot), QString())
                   : makeNumberLabel(this, QStringLiteral("VariantLabel2Fixed_%1").arg(slot),
                                     QString::number(slot + 1));
    });
}

void TVariantGrid::clearSlots()
{
    for (int k = 0; k < SlotCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (m_texts[i] != nullptr)
            m_texts[i]->clear();
        if (m_numbers[i] != nullptr)
            m_numbers[i]->clear();
        if (m_radios[i] != nullptr) {
            m_radios[i]->setEnabled(false);
            uncheckRadio(m_radios[i]);
        }
    }
}

void TVariantGrid::setColumnWidths(const Widths& widths)
{
    m_widths = widths;
    updateGeometry();
}

void TVariantGrid::setRowCount(int rows)
{
    m_rows = std::clamp(rows, 1, SlotCount);
}

void TVariantGrid::setListShown(int slot, bool shown)
{
    if (slot >= 0 && slot < SlotCount)
        m_listShown[static_cast<std::size_t>(slot)] = shown;
}

void TVariantGrid::uncheckRadio(QRadioButton* button)
{
    if (button == nullptr || !button->isChecked())
        return;
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void TVariantGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

template <typename Make>
void TVariantGrid::place(QWidget* made, const QRect& cell, bool fill, Make make)
{
    if (cell.width() <= 0 || cell.height() <= 0) {
        // A control never made has nothing to hide.
        if (made != nullptr)
            made->hide();
        return;
    }
    QWidget* control = make();
    if (fill) {
        control->setGeometry(cell.adjusted(1, 1, -1, -1));
    } else {
        // Buttons and lists keep their own height, centred in the cell.
        const int h = std::min(cell.height(), control->sizeHint().height());
        control->setGeometry(cell.x(), cell.y() + (cell.height() - h) / 2, cell.width(), h);
    }
    control->show();
}

int TVariantGrid::neededWidth(int column) const
{
    switch (column) {
    case ColNumber:
    case ColMatchNumber: {
        const QFontMetrics metrics(numberFont());
        // Measured as a label measures its text.
        auto width = [&metrics](const QString& text) {
            return metrics.boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignCenter, text).width();
        };
        int widest = width(WidestNumber);
        for (const QLabel* label : column == ColNumber ? m_numbers : m_matchNumbers) {
            if (label != nullptr)
                widest = std::max(widest, width(label->text()));
        }
        // A label fills its cell less one pixel on each side.
        return widest + 2;
    }
    case ColRadio:
    case ColCheck: {
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = WidestNumber;
        const QSize text = fontMetrics().size(Qt::TextShowMnemonic, WidestNumber);
        return style()
            ->sizeFromContents(column == ColRadio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox, &option,
                               text, this)
            .width();
    }
    case ColList: {
        int widest = 0;
        for (int k = 0; k < m_rows; ++k) {
            const QComboBox* box = m_lists[static_cast<std::size_t>(k)];
            if (box != nullptr && m_listShown[static_cast<std::size_t>(k)])
                widest = std::max(widest, listWidth(box));
        }
        return widest;
    }
    default:
        return 0;
    }
}

TVariantGrid::Widths TVariantGrid::neededWidths() const
{
    Widths w = m_widths;
    for (int c : {ColNumber, ColRadio, ColCheck, ColList, ColMatchNumber}) {
        auto& width = w[static_cast<std::size_t>(c)];
        if (width > 0)
            width = std::max(width, neededWidth(c));
    }
    return w;
}

int TVariantGrid::rowMinimum() const
{
    const QFontMetrics metrics = fontMetrics();
    const QSize text = metrics.size(Qt::TextShowMnemonic, WidestNumber);
    QStyleOptionButton button;
    button.initFrom(this);
    button.text = WidestNumber;
    QStyleOptionComboBox list;
    list.initFrom(this);
    list.currentText = WidestNumber;
    // As a list measures itself: a line of text, at least 14 pixels, and 2 more.
    const QSize listText(text.width(), std::max(metrics.height(), 14) + 2);
    return std::max({style()->sizeFromContents(QStyle::CT_RadioButton, &button, text, this).height(),
                     style()->sizeFromContents(QStyle::CT_CheckBox, &button, text, this).height(),
                     style()->sizeFromContents(QStyle::CT_ComboBox, &list, listText, this).height(),
                     QFontMetrics(numberFont()).height() + 2});
}

QSize TVariantGrid::minimumSizeHint() const
{
    // Text columns are never squeezed below a few characters.
    const int textColumn = fontMetrics().averageCharWidth() * 8;
    const Widths w = neededWidths();
    const int fixed = w[ColNumber] + w[ColRadio] + w[ColCheck] + w[ColList] + w[ColMatchNumber];
    return {fixed + textColumn * (w[ColMatchText] > 0 ? 2 : 1), SlotCount * rowMinimum()};
}

void TVariantGrid::relayout()
{
    // Lists and marks change what the columns need; the window hears of it only on a change.
    const QSize minimum = minimumSizeHint();
    if (minimum != m_minimum) {
        m_minimum = minimum;
        updateGeometry();
    }
    Widths w = neededWidths();
    const int fixed = w[ColNumber] + w[ColRadio] + w[ColCheck] + w[ColList] + w[ColMatchNumber];
    // The two text columns of a matching task share the width about equally.
    if (w[ColMatchText] > 0)
        w[ColMatchText] = std::max(0, (width() - fixed - 10) / 2);
    w[ColText] = std::max(0, width() - fixed - w[ColMatchText]);
    m_laidOut = w;

    std::array<int, ColumnCount + 1> x{};
    for (int c = 0; c < ColumnCount; ++c)
        x[static_cast<std::size_t>(c + 1)] = x[static_cast<std::size_t>(c)] + w[static_cast<std::size_t>(c)];
    auto cell = [&](int column, int top, int height) {
        const auto c = static_cast<std::size_t>(column);
        return QRect(x[c], top, w[c], height);
    };

    const int total = height();
    for (int k = 0; k < SlotCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        int top = 0;
        int h = 0;
        if (k < m_rows) {
            top = total * k / m_rows;
            h = total * (k + 1) / m_rows - top;
        }
        place(m_numbers[i], cell(ColNumber, top, h), true, [&] { return numberLabel(k); });
        place(m_radios[i], cell(ColRadio, top, h), false, [&] { return radio(k); });
        place(m_checks[i], cell(ColCheck, top, h), false, [&] { return check(k); });
        place(m_lists[i], m_listShown[i] ? cell(ColList, top, h) : QRect(), false, [&] { return list(k); });
        place(m_texts[i], cell(ColText, top, h), true, [&] { return variantText(k); });
        place(m_matchNumbers[i], cell(ColMatchNumber, top, h), true, [&] { return matchNumberCell(k); });
        place(m_matchTexts[i], cell(ColMatchText, top, h), true, [&] { return matchText(k); });
    }
    if (m_tabOrderStale)
        restoreTabOrder();
}

void TVariantGrid::restoreTabOrder()
{
    m_tabOrderStale = false;
    // Controls made later join the window's chain at its end, after the buttons under the
    // grid. The chain is tied to the last control that takes the focus before the grid
    // (the grid itself takes none, and Qt orders only such controls).
    QWidget* previous = previousInFocusChain();
    while (previous != this && (previous->focusPolicy() == Qt::NoFocus || isAncestorOf(previous)))
        previous = previous->previousInFocusChain();
    if (previous == this)
        previous = nullptr;
    for (std::size_t i = 0; i < SlotCount; ++i) {
        for (QWidget* control : {static_cast<QWidget*>(m_radios[i]), static_cast<QWidget*>(m_checks[i]),
                                 static_cast<QWidget*>(m_lists[i]), static_cast<QWidget*>(m_texts[i]),
                                 static_cast<QWidget*>(m_matchTexts[i])}) {
            if (control != nullptr) {
                if (previous != nullptr)
                    setTabOrder(previous, control);
                previous = control;
            }
        }
    }
}

} // namespace kvizor
