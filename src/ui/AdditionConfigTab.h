#pragma once

#include "config/Config.h"

#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPixmap;
class QPushButton;
class QVBoxLayout;

namespace kvizor {

class AdditionConfigPrompts;
class DesktopIntegration;
class Prompts;
class SoundPlayer;

// What the tabs of the settings dialog work on. Owned by the dialog.
struct TAdditionConfigContext
{
    TConfig& config;
    Prompts& prompts;
    AdditionConfigPrompts& choosers;
    DesktopIntegration& desktop;
    // The sound player, made on first use.
    std::function<SoundPlayer&()> soundPlayer;
    // Where the settings, the result files and a sound file without a folder live.
    QString programFolder;
    // The dialog, owner of the choosers.
    QWidget* owner = nullptr;

    // The folder chooser titled "Пожалуйста, выберите папку"; true and the path when a
    // folder with a file-system path was chosen.
    bool BrowseForFolder(QString& path) const;
};

// Pictures of the pages: a standard picture of the style, or one of the program's icons
// (":/kvizor/icons/...").
QPixmap StandardTabPicture(int standardPixmap);
QPixmap IconPicture(const QString& resource, int size);

// One page of the settings dialog: a picture and a text at the top, the controls, and a
// button "Применить" over the full width at the bottom that applies this page alone.
// Showing the page loads its controls and disables the button; any change of a control
// enables it; applying copies the controls into the settings (or acts at once) and
// disables it again.
class TAdditionConfigTab : public QWidget
{
    Q_OBJECT

public:
    TAdditionConfigTab(TAdditionConfigContext& context, const char* name, const char* applyName,
                       const QString& caption, const QString& text, const QPixmap& picture,
                       bool enterApplies);

    QString caption() const { return m_caption; }
    QPushButton* applyButton() const { return m_apply; }
    // Whether Enter anywhere on the page presses "Применить".
    bool enterApplies() const { return m_enterApplies; }

    // The show handler: runs whenever the page becomes visible.
    void showTab();
    // The apply handler, as the button runs it.
    void applyTab();

protected:
    // Loads the controls; the button is disabled after it.
    virtual void load() = 0;
    virtual void apply() = 0;
    // Whether the button is disabled after apply().
    virtual bool disablesApplyWhenApplied() const { return true; }

    void setChanged() const;
    // Controls whose every change enables the button.
    void watch(QLineEdit* edit) const;
    void watch(QCheckBox* box) const;

    // Building blocks of the pages.
    QVBoxLayout* content() const { return m_content; }
    QGroupBox* addGroup(const QString& title);
    QLabel* addText(const QString& text, QWidget* parent);
    QCheckBox* makeCheckBox(const char* name, const QString& caption, QWidget* parent);
    QLineEdit* makeEdit(const char* name, QWidget* parent);
    QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent);

    TAdditionConfigContext& m_context;
    TConfig& Config;

private:
    QString m_caption;
    bool m_enterApplies;
    QPushButton* m_apply;
    QVBoxLayout* m_content;
};

} // namespace kvizor
