#include "ui/MainWindowView.h"

#include "model/EmbeddedNames.h"
#include "run/RunController.h"
#include "ui/Accessibility.h"
#include "ui/ImageArea.h"
#include "ui/Prompts.h"
#include "ui/RichTextAccess.h"
#include "ui/RichTextRoutines.h"
#include "ui/RichTextView.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/StatusPanels.h"
#include "ui/StudentMainForm.h"
#include "ui/VariantGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include <algorithm>

namespace kvizor {

namespace {

using Widths = TVariantGrid::Widths;

// Column widths by task type; column 4 takes the rest.
Widths columnsFor(int taskType)
{
    switch (taskType) {
    case ttMultipleChoice:
        return {20, 0, 40, 0, 0, 0, 0};
    case ttOrdering:
    case ttTrueFalse:
        return {20, 0, 0, 40, 0, 0, 0};
    case ttMatching:
        return {20, 0, 0, 40, 0, 20, 200};
    default: // the neutral look and single choice
        return {20, 40, 0, 0, 0, 0, 0};
    }
}

QColor toQColor(TColor colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

void paintBackground(QWidget* widget, TColor colour)
{
    QPalette palette = widget->palette();
    const QColor c = toQColor(colour);
    palette.setColor(QPalette::Base, c);
    palette.setColor(QPalette::Button, c);
    widget->setPalette(palette);
}

void showPanel(QWidget* panel, bool on)
{
    panel->setEnabled(on);
    panel->setVisible(on);
}

const QString MessageCaption = QStringLiteral("KvizorStudent");

// A slot's answer control is named by its variant's number and text, so a listener hears
// what is being chosen ("Вариант 2: Москва").
void nameSlot(QWidget* control, int slot, const QString& text, const QString& asked)
{
    const QString number = QStringLiteral("Вариант %1").arg(slot + 1);
    control->setAccessibleName(text.isEmpty() ? number : number + QStringLiteral(": ") + text);
    control->setAccessibleDescription(asked);
}

// "Вопрос # 3 из 8:" is read as "Вопрос 3 из 8".
QString spokenLabel(QString label)
{
    label.remove(QStringLiteral("# "));
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    return label;
}

QString describeList(int taskType, int entries)
{
    switch (taskType) {
    case ttOrdering:
        return QStringLiteral("Место варианта по порядку, от 1 до %1").arg(entries);
    case ttMatching:
        return QStringLiteral("Номер пары из правого столбца, от 1 до %1").arg(entries);
    default:
        return QStringLiteral("Верно ли: Да или Нет");
    }
}

} // namespace

QString goToSpoken(const QString& item, GoToImage image)
{
    static const char16_t* const states[] = {u"не показано", u"показано, без ответа", u"отвечено"};
    return item + QStringLiteral(" — ") + QString::fromUtf16(states[image]);
}

QPixmap GoToImagePixmap(GoToImage image)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(2.5, 2.5, 11, 11);
    switch (image) {
    case giNeverShown:
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(circle);
        break;
    case giShown:
        painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 1));
        painter.setBrush(QColor(0xFF, 0xD7, 0x00));
        painter.drawEllipse(circle);
        break;
    case giAnswered:
        painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
        break;
    }
    return pixmap;
}

TMainWindowView::TMainWindowView(TStudentMainForm& form)
    : m_form(form), m_grid(qobject_cast<TVariantGrid*>(form.GridPanel)),
      m_imageArea(form.findChild<TImageArea*>(QStringLiteral("ScrollBox"))),
      m_pictures(new TPictureCache(&form))
{
    Q_ASSERT(m_grid != nullptr && m_imageArea != nullptr);
}

// ---- showing a task ----

void TMainWindowView::ShowTask(const TaskScreen& screen)
{
    const TTask& task = *screen.Task;
    m_taskType = task.TaskType;
    m_variantCount = task.VariantCount();

    const bool updates = m_form.updatesEnabled();
    m_form.setUpdatesEnabled(false);
    for (QWidget* panel :
         {m_form.PanelVariant, m_form.PanelInputNum, m_form.PanelInputText, m_form.PanelImgRect})
        showPanel(panel, false);

    const bool hint = !screen.HintCaption.isEmpty();
    if (hint)
        m_form.aShowPromptTask->setText(screen.HintCaption);
    m_form.aShowPromptTask->setEnabled(hint);
    showPanel(m_form.PanelPromptTask, hint);
    showPanel(m_form.PanelGoToTask, screen.AllowSkipping);
    richtext_access::clear(m_form.QuestionText);

    switch (task.TaskType) {
    case ttSingleChoice:
    case ttMultipleChoice:
    case ttOrdering:
    case ttMatching:
    case ttTrueFalse:
        prepareVariants(task);
        break;
    case ttNumber:
        showPanel(m_form.PanelInputNum, true);
        break;
    case ttText:
        showPanel(m_form.PanelInputText, true);
        break;
    case ttImagePoint:
        showPanel(m_form.PanelImgRect, true);
        m_imageArea->scrollToTopLeft();
        break;
    default:
        break;
    }

    m_form.QuestionLabel->setText(screen.QuestionLabel);
    m_form.QuestionText->setAccessibleName(spokenLabel(screen.QuestionLabel));
    if (auto* question = qobject_cast<QTextEdit*>(m_form.QuestionText))
        LoadRichText(task.Question, question, false);

    if (task.HasVariants())
        fillVariants(task, screen.VariantOrder);
    if (task.TaskType == ttNumber)
        m_form.EditInputNum->clear();
    else if (task.TaskType == ttText)
        m_form.EditInputText->clear();
    m_form.VariantLabel->setText(screen.VariantLabel);
    for (QWidget* field :
         {static_cast<QWidget*>(m_form.EditInputNum), static_cast<QWidget*>(m_form.EditInputText)})
        field->setAccessibleDescription(spokenLabel(screen.VariantLabel));
    m_form.ApplyZoom();
    m_form.setUpdatesEnabled(updates);

    // Pictures last: their messages come with the task already on screen.
    if (task.TaskType == ttImagePoint) {
        LoadQuestionImage(QString(), screen.TempFolder);
        LoadAnswerImage(task.ImageFile, screen.TempFolder);
        m_imageArea->hideMarker();
    } else {
        LoadQuestionImage(task.ImageFile, screen.TempFolder);
        LoadAnswerImage(QString(), screen.TempFolder);
    }
    // After the pictures: the picture of an image task takes the focus only once loaded
    // (until then it is disabled and would refuse it).
    focusTask(task.TaskType);
    keepPictures(screen);
}

void TMainWindowView::focusTask(int taskType)
{
    QWidget* target = m_form.QuestionText;
    if (taskType == ttNumber)
        target = m_form.EditInputNum;
    else if (taskType == ttText)
        target = m_form.EditInputText;
    else if (taskType == ttImagePoint && m_imageArea->hasPicture())
        target = m_imageArea;
    // Otherwise the new question is where reading (and a screen reader) starts; Tab leads
    // on to the answer controls.
    target->setFocus(Qt::OtherFocusReason);
}

void TMainWindowView::prepareVariants(const TTask& task)
{
    showPanel(m_form.PanelVariant, true);
    m_grid->setColumnWidths(columnsFor(task.TaskType));
    for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
        m_grid->numberLabel(k)->clear();
        if (QLabel* right = m_grid->matchNumberLabel(k))
            right->clear();
        for (RichTextView* text : {m_grid->variantText(k), m_grid->matchText(k)}) {
            text->clear();
            text->setEnabled(false);
        }
        QRadioButton* radio = m_grid->radio(k);
        radio->setEnabled(false);
        TVariantGrid::uncheckRadio(radio);
        m_grid->check(k)->setEnabled(false);
        m_grid->check(k)->setChecked(false);
        QComboBox* list = m_grid->list(k);
        list->setEnabled(false);
        m_grid->setListShown(k, k < 5);
        for (QWidget* control : {static_cast<QWidget*>(radio), static_cast<QWidget*>(m_grid->check(k)),
                                 static_cast<QWidget*>(list)})
            nameSlot(control, k, QString(), QString());
        m_grid->variantText(k)->setAccessibleName(QStringLiteral("Текст варианта %1").arg(k + 1));
        m_grid->matchText(k)->setAccessibleName(QStringLiteral("Правый столбец, пункт %1").arg(k + 1));
        // Slots beyond the task's variants show empty lists.
        if (k >= m_variantCount)
            list->clear();
        list->setCurrentIndex(task.TaskType == ttTrueFalse && list->count() > 0 ? 0 : -1);
    }
    const int rows =
        std::max({task.VariantCount(), task.TaskType == ttMatching ? task.MatchVariantCount() : 0, 5});
    m_grid->setRowCount(rows);
    m_grid->relayout();
}

void TMainWindowView::fillVariants(const TTask& task, const QList<int>& order)
{
    const int n = task.VariantCount();
    const int m = task.MatchVariantCount();
    for (int k = 0; k < n && k < order.size(); ++k) {
        const int v = order.at(k);
        RichTextView* text = m_grid->variantText(k);
        LoadRichText(task.GetVariant(v), text, false);
        text->setEnabled(true);
        QComboBox* list = m_grid->list(k);
        switch (task.TaskType) {
        case ttSingleChoice:
            m_grid->radio(k)->setEnabled(true);
            break;
        case ttMultipleChoice:
            m_grid->check(k)->setEnabled(true);
            break;
        case ttOrdering:
        case ttMatching: {
            list->clear();
            const int entries = task.TaskType == ttOrdering ? n : m;
            for (int e = 1; e <= entries; ++e)
                list->addItem(QString::number(e));
            break;
        }
        case ttTrueFalse:
            list->clear();
            list->addItems({QString(), QStringLiteral("Да"), QStringLiteral("Нет")});
            break;
        default:
            break;
        }
        if (task.TaskType >= ttOrdering) {
            m_grid->setListShown(k, true);
            list->setEnabled(true);
        }
        list->setCurrentIndex(-1);
    }
    if (task.TaskType == ttMatching) {
        // Right-hand items in file order, never shuffled.
        for (int j = 0; j < m; ++j) {
            RichTextView* right = m_grid->matchText(j);
            LoadRichText(task.GetMatchVariant(j), right, false);
            right->setEnabled(true);
            if (QLabel* number = m_grid->matchNumberLabel(j))
                number->setText(QString::number(j + 1));
        }
    }
    nameVariants(task);
    for (int k = 0; k < TVariantGrid::SlotCount; ++k)
        m_grid->list(k)->setCurrentIndex(-1);
    m_grid->relayout();
}

void TMainWindowView::nameVariants(const TTask& task)
{
    const int n = task.VariantCount();
    const int m = task.MatchVariantCount();
    const QString asked = spokenLabel(TRunController::VariantLabelText(task));
    for (int k = 0; k < n; ++k) {
        const QString text = accessibility::oneLine(m_grid->variantText(k)->toPlainText());
        switch (task.TaskType) {
        case ttSingleChoice:
            nameSlot(m_grid->radio(k), k, text, asked);
            break;
        case ttMultipleChoice:
            nameSlot(m_grid->check(k), k, text, asked);
            break;
        default:
            nameSlot(m_grid->list(k), k, text,
                     describeList(task.TaskType, task.TaskType == ttOrdering ? n : m));
            break;
        }
        // The entries of a matching list name both sides: "3: Франция".
        QComboBox* list = m_grid->list(k);
        for (int e = 0; e < list->count() && task.TaskType == ttMatching; ++e) {
            const QString right = accessibility::oneLine(m_grid->matchText(e)->toPlainText());
            list->setItemData(e, QStringLiteral("%1: %2").arg(e + 1).arg(right), Qt::AccessibleTextRole);
        }
        if (task.TaskType == ttTrueFalse && list->count() > 0)
            list->setItemData(0, QStringLiteral("Не выбрано"), Qt::AccessibleTextRole);
    }
}

void TMainWindowView::ResetTaskArea()
{
    m_taskType = 0;
    m_variantCount = 0;
    const bool updates = m_form.updatesEnabled();
    m_form.setUpdatesEnabled(false);
    m_pictures->keep({});
    m_form.PanelVariant->setEnabled(false);
    m_form.PanelVariant->show();
    for (QWidget* panel : {m_form.PanelInputNum, m_form.PanelInputText, m_form.PanelImgRect})
        showPanel(panel, false);
    m_form.aShowPromptTask->setEnabled(false);
    showPanel(m_form.PanelPromptTask, false);
    showPanel(m_form.PanelGoToTask, false);

    m_grid->setColumnWidths(columnsFor(0));
    m_grid->clearSlots();
    m_grid->setRowCount(5);
    m_grid->relayout();

    m_form.QuestionLabel->setText(QStringLiteral("Информация"));
    m_form.QuestionText->setAccessibleName(QStringLiteral("Информация"));
    m_form.VariantLabel->setText(QStringLiteral("Выберите один из %1 вариантов ответа:").arg(5));
    richtext_access::clear(m_form.QuestionText);
    for (QAction* command : {m_form.aIDoNotKnow, m_form.aSkippingTask}) {
        command->setEnabled(false);
        command->setVisible(false);
    }
    m_form.setUpdatesEnabled(updates);
}

void TMainWindowView::ShowQuestionAreaText(const QString& text)
{
    const bool updates = m_form.updatesEnabled();
    m_form.setUpdatesEnabled(false);
    richtext_access::clear(m_form.QuestionText);
    richtext_access::appendLine(m_form.QuestionText, text);
    m_form.ApplyZoom();
    m_form.setUpdatesEnabled(updates);
}

// ---- pictures ----

std::optional<TShownPicture> TMainWindowView::picture(const QString& fileName, const QString& folder,
                                                      QSize box)
{
    if (fileName.isEmpty())
        return std::nullopt;
    // A name that leads out of the test's folder finds nothing and reads as missing.
    const QString path = FindPictureFile(folder, fileName);
    if (path.isEmpty()) {
        m_form.prompts().showMessage(
            QStringLiteral("Файл: %1 с изображением отсутствует!").arg(folder + fileName), MessageCaption,
            MessageIcon::None);
        return std::nullopt;
    }
    TShownPicture shown = m_pictures->take({path, box});
    if (shown.failed) {
        m_form.prompts().showMessage(QStringLiteral("Ошибка загрузки изображения!"), MessageCaption,
                                     MessageIcon::None);
        return std::nullopt;
    }
    return shown;
}

std::optional<TPictureCache::Request> TMainWindowView::pictureRequest(const TTask& task,
                                                                      const QString& folder) const
{
    if (task.ImageFile.isEmpty())
        return std::nullopt;
    const QString path = FindPictureFile(folder, task.ImageFile);
    if (path.isEmpty())
        return std::nullopt;
    // The question picture is shown shrunk into its box, the answer picture whole.
    return TPictureCache::Request{path,
                                  task.TaskType == ttImagePoint ? QSize() : m_form.QuestionImage->size()};
}

void TMainWindowView::keepPictures(const TaskScreen& screen)
{
    QList<TPictureCache::Request> wanted;
    for (const TTask* task : {screen.Task, screen.NextTask}) {
        if (task == nullptr)
            continue;
        if (const std::optional<TPictureCache::Request> request = pictureRequest(*task, screen.TempFolder))
            wanted.append(*request);
    }
    m_pictures->keep(wanted);
}

bool TMainWindowView::LoadQuestionImage(const QString& fileName, const QString& folder)
{
    QLabel* target = m_form.QuestionImage;
    const std::optional<TShownPicture> shown = picture(fileName, folder, target->size());
    if (!shown) {
        target->clear();
        target->setProperty("picture", QVariant());
        showPanel(target, false);
        return false;
    }
    // Shrunk to the 160 x 160 box keeping its proportions; the enlarged window shows it whole.
    target->setProperty("picture", shown->whole);
    target->setPixmap(shown->fitted);
    showPanel(target, true);
    return true;
}

bool TMainWindowView::LoadAnswerImage(const QString& fileName, const QString& folder)
{
    const std::optional<TShownPicture> shown = picture(fileName, folder, QSize());
    if (!shown) {
        m_imageArea->clearPicture();
        showPanel(m_imageArea, false);
        return false;
    }
    m_imageArea->setPicture(shown->whole);
    showPanel(m_imageArea, true);
    return true;
}

void TMainWindowView::CloseEnlargedImage()
{
    if (TShowQuestionImageForm* enlarged = m_form.questionImageForm())
        enlarged->close();
}

void TMainWindowView::ClearQuestionImage()
{
    LoadQuestionImage(QString(), QString());
}

// ---- answers and feedback ----

TaskAnswer TMainWindowView::ReadAnswer() const
{
    TaskAnswer answer;
    for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (m_taskType == ttSingleChoice)
            answer.Checked[i] = m_grid->radio(k)->isChecked();
        else if (m_taskType == ttMultipleChoice)
            answer.Checked[i] = m_grid->check(k)->isChecked();
        answer.ListIndex[i] = m_grid->list(k)->currentIndex();
    }
    if (m_taskType == ttNumber)
        answer.Text = m_form.EditInputNum->text();
    else if (m_taskType == ttText)
        answer.Text = m_form.EditInputText->text();
    // The marker shows only once placed on this showing of the task.
    if (m_taskType == ttImagePoint && m_imageArea->markerShown() && m_imageArea->hasPicture()) {
        answer.PointPlaced = true;
        const QPoint centre = m_imageArea->markerCentre();
        answer.PointX = centre.x();
        answer.PointY = centre.y();
    }
    return answer;
}

void TMainWindowView::ShowFeedback(const TaskFeedback& feedback)
{
    // The colours the texts have now are the ones to return to.
    m_textPalette = m_grid->variantText(0)->palette();
    m_listPalette = m_grid->list(0)->palette();
    m_feedbackShown = true;
    for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
        const SlotFeedback& slot = feedback.Slots[static_cast<std::size_t>(k)];
        if (!slot.Mark.isEmpty())
            m_grid->numberLabel(k)->setText(slot.Mark);
        if (slot.TextColour)
            paintBackground(m_grid->variantText(k), *slot.TextColour);
        if (slot.ListColour)
            paintBackground(m_grid->list(k), *slot.ListColour);
        if (slot.MatchTextColour)
            paintBackground(m_grid->matchText(k), *slot.MatchTextColour);
    }
    // A mark may need a wider number column.
    m_grid->relayout();
    if (feedback.ShowRect) {
        const TAnswerRect& r = feedback.Rect;
        m_imageArea->showAnswerRect(QRect(r.Left, r.Top, r.Width, r.Height));
    }
}

void TMainWindowView::ClearFeedbackColours()
{
    if (m_feedbackShown) {
        for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
            m_grid->variantText(k)->setPalette(m_textPalette);
            m_grid->matchText(k)->setPalette(m_textPalette);
            m_grid->list(k)->setPalette(m_listPalette);
        }
    }
    m_feedbackShown = false;
    m_imageArea->hideMarker();
    m_imageArea->hideAnswerRect();
}

void TMainWindowView::SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>& marks)
{
    for (int k = 0; k < TVariantGrid::SlotCount; ++k)
        m_grid->numberLabel(k)->setText(marks[static_cast<std::size_t>(k)]);
    m_grid->relayout();
}

// ---- commands, go-to list, progress and status ----

void TMainWindowView::SetCheckCommandEnabled(bool enabled)
{
    m_form.SetCheckCommandEnabled(enabled);
}

void TMainWindowView::SetRunCommandsVisible(bool iDoNotKnow, bool skipping)
{
    m_form.aIDoNotKnow->setVisible(iDoNotKnow);
    m_form.aIDoNotKnow->setEnabled(iDoNotKnow);
    m_form.aSkippingTask->setVisible(skipping);
    m_form.aSkippingTask->setEnabled(skipping);
}

void TMainWindowView::SetStatusPanel(int panel, const QString& text, bool red)
{
    TStatusPanels* panels = m_form.statusPanels();
    panels->setPanelText(panel, text);
    panels->setPanelRed(panel, red);
}

void TMainWindowView::SetGoToItems(const QStringList& items)
{
    QComboBox* list = m_form.ComboBoxEx1;
    list->clear();
    const QIcon icon(GoToImagePixmap(giNeverShown));
    for (const QString& item : items) {
        list->addItem(icon, item);
        list->setItemData(list->count() - 1, goToSpoken(item, giNeverShown), Qt::AccessibleTextRole);
    }
    list->setCurrentIndex(-1);
}

void TMainWindowView::SetGoToItemImage(int position, GoToImage image)
{
    QComboBox* list = m_form.ComboBoxEx1;
    if (position < 0 || position >= list->count())
        return;
    list->setItemIcon(position, QIcon(GoToImagePixmap(image)));
    // The image says the task's state; a listener hears it in words.
    list->setItemData(position, goToSpoken(list->itemText(position), image), Qt::AccessibleTextRole);
}

void TMainWindowView::SetProgressMaximum(int maximum)
{
    m_form.ProgressBarCountAskTask->setRange(0, std::max(1, maximum));
}

void TMainWindowView::SetProgressPosition(int position)
{
    m_form.ProgressBarCountAskTask->setValue(position);
}

} // namespace kvizor
