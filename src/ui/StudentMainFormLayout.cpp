// The regions of the main window, from top to bottom.
#include "ui/StudentMainForm.h"

#include "ui/Accessibility.h"
#include "ui/DesignedSize.h"
#include "ui/FontStandIns.h"
#include "ui/ImageArea.h"
#include "ui/NumberKeyFilter.h"
#include "ui/RichTextView.h"
#include "ui/StatusPanels.h"
#include "ui/VariantGrid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace kvizor {

namespace {

enum class Height
{
    Fixed,
    Grows
};

// A region of the window at least as large as designed and as large as its contents need;
// a fixed-height region is exactly as high as the larger of the two.
QWidget* makePanel(QWidget* parent, const char* name, QSize designed, Height height)
{
    auto* panel = new TDesigned<QWidget>(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setDesignedSize(designed);
    if (height == Height::Fixed)
        panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return panel;
}

// A side button of the answer row: its designed width, or more for a wider caption.
QPushButton* makeSideButton(QWidget* parent, const char* name)
{
    auto* button = new TDesigned<QPushButton>(parent);
    button->setObjectName(QLatin1String(name));
    button->setDesignedSize(QSize(120, 0));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

// The grey one-line labels above the question and the variants.
QLabel* makeGreyLabel(QWidget* panel, const char* name, const QString& text)
{
    auto* label = new QLabel(text, panel);
    label->setObjectName(QLatin1String(name));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    label->setPalette(palette);
    label->setContentsMargins(4, 0, 4, 0);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    return label;
}

// A panel holding one line edit with the margins of the answer fields.
QLineEdit* makeEditPanel(QWidget* panel, const char* name)
{
    auto* edit = new QLineEdit(panel);
    edit->setObjectName(QLatin1String(name));
    edit->setFont(QFont(TahomaFamily(), 10));
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(12, 0, 13, 0);
    layout->addWidget(edit, 0, Qt::AlignVCenter);
    return edit;
}

} // namespace

void TStudentMainForm::buildLayout()
{
    accessibility::install();
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel2 = makePanel(central, "Panel2", QSize(0, 20), Height::Fixed);
    QuestionLabel = makeGreyLabel(Panel2, "QuestionLabel", QStringLiteral("Информация:"));
    column->addWidget(Panel2);

    Splitter2 = new QSplitter(Qt::Vertical, central);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    column->addWidget(Splitter2, 1);

    // The question: text filling the panel, picture at the right.
    PanelQuestion = makePanel(Splitter2, "PanelQuestion", QSize(400, 160), Height::Grows);
    auto* questionRow = new QHBoxLayout(PanelQuestion);
    questionRow->setContentsMargins(0, 0, 0, 0);
    questionRow->setSpacing(0);
    auto* questionText = new RichTextView(PanelQuestion);
    questionText->setObjectName(QStringLiteral("QuestionText"));
    QuestionText = questionText;
    questionRow->addWidget(QuestionText, 1);
    watchTaskText(QuestionText);
    QuestionImage = new QLabel(PanelQuestion);
    QuestionImage->setObjectName(QStringLiteral("QuestionImage"));
    QuestionImage->setFixedSize(160, 160);
    QuestionImage->setAlignment(Qt::AlignCenter);
    QuestionImage->setScaledContents(false);
    QuestionImage->setToolTip(QStringLiteral("Для увеличения изображения щелкните по нему..."));
    QuestionImage->setCursor(Qt::PointingHandCursor);
    QuestionImage->installEventFilter(this);
    QuestionImage->setAccessibleName(QStringLiteral("Рисунок к вопросу"));
    QuestionImage->hide();
    questionRow->addWidget(QuestionImage);
    Splitter2->addWidget(PanelQuestion);

    // Everything under the splitter bar.
    auto* lower = new QWidget(Splitter2);
    lower->setObjectName(QStringLiteral("PanelLower"));
    auto* lowerColumn = new QVBoxLayout(lower);
    lowerColumn->setContentsMargins(0, 0, 0, 0);
    lowerColumn->setSpacing(0);
    Splitter2->addWidget(lower);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

    PanelPromptTask = makePanel(lower, "PanelPromptTask", QSize(0, 27), Height::Fixed);
    ButtonShowPromptTask = new QPushButton(QStringLiteral("Показать подсказку"), PanelPromptTask);
    ButtonShowPromptTask->setObjectName(QStringLiteral("ButtonShowPromptTask"));
    auto* promptRow = new QHBoxLayout(PanelPromptTask);
    promptRow->setContentsMargins(0, 0, 0, 0);
    promptRow->addWidget(ButtonShowPromptTask);
    lowerColumn->addWidget(PanelPromptTask);

    PanelVariantInfo = makePanel(lower, "PanelVariantInfo", QSize(0, 20), Height::Fixed);
    VariantLabel =
        makeGreyLabel(PanelVariantInfo, "VariantLabel", QStringLiteral("Выберите один из вариантов ответа:"));
    lowerColumn->addWidget(PanelVariantInfo);

    // The answer fields fill the free space when shown, the field centred in its panel.
    PanelInputNum = makePanel(lower, "PanelInputNum", QSize(0, 30), Height::Grows);
    EditInputNum = makeEditPanel(PanelInputNum, "EditInputNum");
    EditInputNum->setAccessibleName(QStringLiteral("Ответ: число"));
    new TNumberKeyFilter(EditInputNum);
    lowerColumn->addWidget(PanelInputNum, 1);
    PanelInputText = makePanel(lower, "PanelInputText", QSize(0, 30), Height::Grows);
    EditInputText = makeEditPanel(PanelInputText, "EditInputText");
    EditInputText->setAccessibleName(QStringLiteral("Ответ: текст"));
    lowerColumn->addWidget(PanelInputText, 1);
    PanelImgRect = makePanel(lower, "PanelImgRect", QSize(0, 45), Height::Grows);
    auto* scrollBox = new TImageArea(PanelImgRect);
    auto* imgLayout = new QVBoxLayout(PanelImgRect);
    imgLayout->setContentsMargins(0, 0, 0, 0);
    imgLayout->addWidget(scrollBox);
    lowerColumn->addWidget(PanelImgRect, 1);

    PanelVariant = makePanel(lower, "PanelVariant", QSize(400, 150), Height::Grows);
    GridPanel = new TVariantGrid(PanelVariant);
    GridPanel->setAccessibleName(QStringLiteral("Варианты ответа"));
    auto* variantLayout = new QVBoxLayout(PanelVariant);
    variantLayout->setContentsMargins(0, 0, 0, 0);
    variantLayout->addWidget(GridPanel);
    lowerColumn->addWidget(PanelVariant, 1);

    // The three answer buttons and the progress bar under them.
    Panel3 = makePanel(lower, "Panel3", QSize(0, 45), Height::Fixed);
    ButtonSkippingTask = makeSideButton(Panel3, "ButtonSkippingTask");
    ButtonCheckAskTask = new QPushButton(Panel3);
    ButtonCheckAskTask->setObjectName(QStringLiteral("ButtonCheckAskTask"));
    ButtonCheckAskTask->setSizePolicy(ButtonCheckAskTask->sizePolicy().horizontalPolicy(),
                                      QSizePolicy::Expanding);
    ButtonIDoNotKnow = makeSideButton(Panel3, "ButtonIDoNotKnow");
    for (QPushButton* button : {ButtonSkippingTask, ButtonCheckAskTask, ButtonIDoNotKnow})
        button->setAutoDefault(false);
    ProgressBarCountAskTask = new QProgressBar(Panel3);
    ProgressBarCountAskTask->setObjectName(QStringLiteral("ProgressBarCountAskTask"));
    ProgressBarCountAskTask->setFixedHeight(10);
    ProgressBarCountAskTask->setTextVisible(false);
    ProgressBarCountAskTask->setRange(0, 1);
    ProgressBarCountAskTask->setValue(0);
    ProgressBarCountAskTask->setAccessibleName(QStringLiteral("Показано заданий"));
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(0);
    buttonRow->addWidget(ButtonSkippingTask);
    buttonRow->addWidget(ButtonCheckAskTask, 1);
    buttonRow->addWidget(ButtonIDoNotKnow);
    auto* panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    panel3Layout->setSpacing(0);
    panel3Layout->addLayout(buttonRow, 1);
    panel3Layout->addWidget(ProgressBarCountAskTask);
    lowerColumn->addWidget(Panel3);

    PanelGoToTask = makePanel(lower, "PanelGoToTask", QSize(0, 24), Height::Fixed);
    ComboBoxEx1 = new QComboBox(PanelGoToTask);
    ComboBoxEx1->setObjectName(QStringLiteral("ComboBoxEx1"));
    ComboBoxEx1->setAccessibleName(QStringLiteral("Перейти к заданию"));
    ComboBoxEx1->setAccessibleDescription(
        QStringLiteral("F6 открывает список, стрелки выбирают задание, Enter переходит"));
    auto* goToRow = new QHBoxLayout(PanelGoToTask);
    goToRow->setContentsMargins(0, 0, 0, 0);
    goToRow->addWidget(ComboBoxEx1);
    lowerColumn->addWidget(PanelGoToTask);

    setCentralWidget(central);
    m_statusPanels = new TStatusPanels(this);
    setStatusBar(m_statusPanels);

    Splitter2->setSizes({160, 10000});
}

} // namespace kvizor
