#include "ui/VariantGrid.h"

#include "ui/RichTextView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace kvizor {

namespace {

QLabel* makeNumberLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Tahoma"), 10);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00)); // maroon
    label->setPalette(palette);
    return label;
}

RichTextView* makeText(QWidget* parent, const QString& name)
{
    auto* text = new RichTextView(parent);
    text->setObjectName(name);
    const QFont font(QStringLiteral("Times New Roman"), 12);
    text->setFont(font);
    text->document()->setDefaultFont(font);
    text->setEnabled(false);
    return text;
}

} // namespace

TVariantGrid::TVariantGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GridPanel"));
    build();
}

void TVariantGrid::build()
{
    for (int k = 0; k < SlotCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString number = QString::number(k + 1);
        m_numbers[i] = makeNumberLabel(this, QStringLiteral("VariantLabel1_%1").arg(k), QString());
        m_matchNumbers[i] =
            k < MatchLabelCount
                ? makeNumberLabel(this, QStringLiteral("VariantLabel2_%1").arg(k), QString())
                : makeNumberLabel(this, QStringLiteral("VariantLabel2Fixed_%1").arg(k), number);

        m_radios[i] = new QRadioButton(number, this);
        m_radios[i]->setObjectName(QStringLiteral("VariantRadioButton%1").arg(k));
        m_radios[i]->setEnabled(false);
        connect(m_radios[i], &QRadioButton::clicked, this, &TVariantGrid::answerChanged);

        m_checks[i] = new QCheckBox(number, this);
        m_checks[i]->setObjectName(QStringLiteral("VariantCheckBox%1").arg(k));
        m_checks[i]->setEnabled(false);
        connect(m_checks[i], &QCheckBox::clicked, this, &TVariantGrid::answerChanged);

        m_lists[i] = new QComboBox(this);
        m_lists[i]->setObjectName(QStringLiteral("VariantComboBox%1").arg(k));
        m_lists[i]->setEditable(false);
        m_lists[i]->setEnabled(false);
        m_lists[i]->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
        connect(m_lists[i], &QComboBox::activated, this, &TVariantGrid::answerChanged);
        m_listShown[i] = true;

        m_texts[i] = makeText(this, QStringLiteral("VariantRE_1_%1").arg(k));
        m_matchTexts[i] = makeText(this, QStringLiteral("VariantRE_2_%1").arg(k));
    }
}

RichTextView* TVariantGrid::variantText(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_texts[static_cast<std::size_t>(slot)] : nullptr;
}

RichTextView* TVariantGrid::matchText(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_matchTexts[static_cast<std::size_t>(slot)] : nullptr;
}

QRadioButton* TVariantGrid::radio(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_radios[static_cast<std::size_t>(slot)] : nullptr;
}

QCheckBox* TVariantGrid::check(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_checks[static_cast<std::size_t>(slot)] : nullptr;
}

QComboBox* TVariantGrid::list(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_lists[static_cast<std::size_t>(slot)] : nullptr;
}

QLabel* TVariantGrid::numberLabel(int slot) const
{
    return slot >= 0 && slot < SlotCount ? m_numbers[static_cast<std::size_t>(slot)] : nullptr;
}

QLabel* TVariantGrid::matchNumberLabel(int slot) const
{
    return slot >= 0 && slot < MatchLabelCount ? m_matchNumbers[static_cast<std::size_t>(slot)] : nullptr;
}

void TVariantGrid::setColumnWidths(const Widths& widths)
{
    m_widths = widths;
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

void TVariantGrid::place(QWidget* control, const QRect& cell, bool fill)
{
    if (cell.width() <= 0 || cell.height() <= 0) {
        control->hide();
        return;
    }
    if (fill) {
        control->setGeometry(cell.adjusted(1, 1, -1, -1));
    } else {
        // Buttons and lists keep their own height, centred in the cell.
        const int h = std::min(cell.height(), control->sizeHint().height());
        control->setGeometry(cell.x(), cell.y() + (cell.height() - h) / 2, cell.width(), h);
    }
    control->show();
}

void TVariantGrid::relayout()
{
    Widths w = m_widths;
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
        place(m_numbers[i], cell(ColNumber, top, h), true);
        place(m_radios[i], cell(ColRadio, top, h), false);
        place(m_checks[i], cell(ColCheck, top, h), false);
        if (m_listShown[i])
            place(m_lists[i], cell(ColList, top, h), false);
        else
            m_lists[i]->hide();
        place(m_texts[i], cell(ColText, top, h), true);
        place(m_matchNumbers[i], cell(ColMatchNumber, top, h), true);
        place(m_matchTexts[i], cell(ColMatchText, top, h), true);
    }
}

} // namespace kvizor
