#pragma once

#include "run/RunView.h"
#include "ui/PictureCache.h"

#include <QPalette>
#include <QPixmap>

#include <optional>

class QComboBox;

namespace kvizor {

class TImageArea;
class TStudentMainForm;
class TVariantGrid;

// The run controller's view over the main window's widgets: it lays the task area out for
// a task and fills it, reads the answer controls back, paints the feedback and keeps the
// commands under the task, the go-to list, the progress bar and the status bar.
class TMainWindowView : public IRunView
{
public:
    explicit TMainWindowView(TStudentMainForm& form);

    void ShowTask(const TaskScreen& screen) override;
    void ResetTaskArea() override;
    void ShowQuestionAreaText(const QString& text) override;

    TaskAnswer ReadAnswer() const override;
    void ShowFeedback(const TaskFeedback& feedback) override;
    void ClearFeedbackColours() override;
    void SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>& marks) override;

    void CloseEnlargedImage() override;
    void ClearQuestionImage() override;

    void SetCheckCommandEnabled(bool enabled) override;
    void SetRunCommandsVisible(bool iDoNotKnow, bool skipping) override;
    void SetStatusPanel(int panel, const QString& text, bool red = false) override;

    void SetGoToItems(const QStringList& items) override;
    void SetGoToItemImage(int position, GoToImage image) override;

    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;

    // Load a picture of the test's folder into the question picture or the answer image;
    // true when one was loaded. A missing or broken file is reported in a message box.
    bool LoadQuestionImage(const QString& fileName, const QString& folder);
    bool LoadAnswerImage(const QString& fileName, const QString& folder);

    // The type of the task on screen; 0 outside a run.
    int taskType() const { return m_taskType; }

    // Pictures of the task that comes next are prepared while the current one is on
    // screen; off, every picture is decoded when its task is shown.
    void setPicturePreparation(bool on) { m_pictures->setEnabled(on); }
    // Whether pictures are still being prepared.
    bool picturesPending() const { return m_pictures->pending(); }
    TPictureCache& pictures() const { return *m_pictures; }

    TVariantGrid* grid() const { return m_grid; }
    TImageArea* imageArea() const { return m_imageArea; }

private:
    void prepareVariants(const TTask& task);
    // Gives the focus to where the task is answered: the number or text field, the picture,
    // or else the question.
    void focusTask(int taskType);
    void fillVariants(const TTask& task, const QList<int>& order);
    // Names the answer controls for a screen reader by their variants.
    void nameVariants(const TTask& task);
    // A picture of the test's folder, ready or decoded now; none after a message when it
    // is missing or broken.
    std::optional<TShownPicture> picture(const QString& fileName, const QString& folder, QSize box);
    // The picture to prepare for a task; none without one (or with a name outside the folder).
    std::optional<TPictureCache::Request> pictureRequest(const TTask& task, const QString& folder) const;
    // Holds the pictures of the task on screen and of the next one, preparing the latter.
    void keepPictures(const TaskScreen& screen);

    TStudentMainForm& m_form;
    TVariantGrid* m_grid;
    TImageArea* m_imageArea;
    TPictureCache* m_pictures;
    int m_taskType = 0;
    int m_variantCount = 0;
    // What the texts and lists look like before feedback paints them.
    QPalette m_textPalette;
    QPalette m_listPalette;
    bool m_feedbackShown = false;
};

// The three images of the go-to list: never shown, shown, answered.
QPixmap GoToImagePixmap(GoToImage image);
// A go-to item as a screen reader reads it, its image said in words.
QString goToSpoken(const QString& item, GoToImage image);

} // namespace kvizor
