#include "ui/AdditionConfigTabs.h"

#include "ui/AdditionConfigPrompts.h"
#include "ui/ColorConversion.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kvizor {

namespace {

// Four squares of the default highlight colours.
QPixmap colorsPicture()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const TColor colors[] = {14218716, 13428479, 15718645, 16117464};
    for (int i = 0; i < 4; ++i) {
        const QRect square((i % 2) * 16 + 1, (i / 2) * 16 + 1, 14, 14);
        painter.fillRect(square, ToQColor(colors[i]));
        painter.setPen(Qt::darkGray);
        painter.drawRect(square.adjusted(0, 0, -1, -1));
    }
    return picture;
}

} // namespace

TColorSwatch::TColorSwatch(const char* name, QWidget* parent) : QWidget(parent)
{
    setObjectName(QLatin1String(name));
    setFixedSize(40, 18);
}

void TColorSwatch::setColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    Q_EMIT colorChanged();
}

void TColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(m_color));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TColorsTab::TColorsTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(context, "TabSheetColors", "bbSetColors", QStringLiteral("Цвета"),
                         QStringLiteral("Вы можете указать цвета  которыми будут выделены верные и ошибочные "
                                        "ответы в обучающем режиме тестирования."),
                         colorsPicture(), true)
{
    QGroupBox* group = addGroup(QStringLiteral("Выбор цвета:"));
    auto* grid = new QGridLayout(group);

    const auto addSwatch = [this, group, grid](const char* name, const QString& buttonName, int row,
                                               int column) {
        auto* swatch = new TColorSwatch(name, group);
        QPushButton* button = makeButton(buttonName.toLatin1().constData(), QStringLiteral("Выбрать"), group);
        grid->addWidget(swatch, row, column);
        grid->addWidget(button, row, column + 1);
        connect(swatch, &TColorSwatch::colorChanged, this, [this] { setChanged(); });
        connect(button, &QPushButton::clicked, this, [this, swatch] { choose(swatch); });
        return swatch;
    };

    grid->addWidget(new QLabel(QStringLiteral("Цвет выделения правильного ответа:"), group), 0, 0, 1, 4);
    ColorCorrect = addSwatch("ColorCorrect", QStringLiteral("bbColorCorrect"), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("Цвет выделения ошибочного ответа:"), group), 1, 0, 1, 4);
    ColorError = addSwatch("ColorError", QStringLiteral("bbColorError"), 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Цвета выделения сопоставления:"), group), 2, 0, 1, 6);
    for (int i = 0; i < 10; ++i) {
        const int row = 3 + i % 5;
        const int column = (i / 5) * 3;
        grid->addWidget(new QLabel(QStringLiteral("#%1:").arg(i + 1), group), row, column);
        const QByteArray name = "ColorCollation" + QByteArray::number(i + 1);
        ColorCollation[size_t(i)] =
            addSwatch(name.constData(), QStringLiteral("bbColorCollation%1").arg(i + 1), row, column + 1);
    }
}

void TColorsTab::choose(TColorSwatch* swatch)
{
    const std::optional<TColor> chosen =
        m_context.choosers.chooseColor(m_context.owner, swatch->color(), m_customColors);
    if (chosen && *chosen != swatch->color())
        swatch->setColor(*chosen);
}

void TColorsTab::load()
{
    ColorCorrect->setColor(Config.ColorCorrect);
    ColorError->setColor(Config.ColorError);
    for (size_t i = 0; i < ColorCollation.size(); ++i)
        ColorCollation[i]->setColor(Config.ColorCollation[i]);
    m_customColors = {Config.ColorCorrect, Config.ColorError};
    for (const TColor color : Config.ColorCollation)
        m_customColors.append(color);
}

void TColorsTab::apply()
{
    Config.ColorCorrect = ColorCorrect->color();
    Config.ColorError = ColorError->color();
    for (size_t i = 0; i < ColorCollation.size(); ++i)
        Config.ColorCollation[i] = ColorCollation[i]->color();
}

} // namespace kvizor
