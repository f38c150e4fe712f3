#pragma once

#include "ui/AdditionConfigTab.h"

#include <QList>

#include <array>

class QFrame;

namespace kvizor {

// The ten pages of the settings dialog, in their order. Controls are public and named as
// their objects.

class TAssociationTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TAssociationTab(TAdditionConfigContext& context);

    // Checks and disables the box when the association is fully in place.
    void UpdateAssociationState();

    QCheckBox* cbExtKVF;

protected:
    void load() override;
    void apply() override;
    bool disablesApplyWhenApplied() const override { return false; }
};

class TLnkTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TLnkTab(TAdditionConfigContext& context);

    QCheckBox* cbLnkDesktop;
    QCheckBox* cbLnkStart;

protected:
    void load() override;
    void apply() override;
};

class TNetConfigTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TNetConfigTab(TAdditionConfigContext& context);

    QLineEdit* Edit_RemoteHost;
    QLineEdit* Edit_RemotePort;
    QCheckBox* CheckBox_SendResult;
    QCheckBox* cbAutoGetTestFromStart;

protected:
    void load() override;
    void apply() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class TFolderTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TFolderTab(TAdditionConfigContext& context);

    QLineEdit* Edit_InitialDirOpenTest;
    QLineEdit* Edit_DirForResult;

protected:
    void load() override;
    void apply() override;

private:
    void addFolderRow(QWidget* group, const QString& label, QLineEdit* edit, const char* browseName,
                      const char* clearName);
};

class TSaveResultTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TSaveResultTab(TAdditionConfigContext& context);

    QCheckBox* cbIsSaveResult;
    QLineEdit* txtIsSaveResult;
    QCheckBox* cbIsSaveProtectionResult;
    QLineEdit* txtIsSaveProtectionResult;

protected:
    void load() override;
    void apply() override;
};

class TShowResultTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TShowResultTab(TAdditionConfigContext& context);

    QCheckBox* cbIsShowUserResult;
    QCheckBox* cbIsShowDetailReportModeEducation;
    QCheckBox* cbIsShowDetailReportModeNormal;

protected:
    void load() override;
    void apply() override;
};

// A colour sample.
class TColorSwatch : public QWidget
{
    Q_OBJECT

public:
    TColorSwatch(const char* name, QWidget* parent);

    TColor color() const { return m_color; }
    void setColor(TColor color);

Q_SIGNALS:
    void colorChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor m_color = 0xFFFFFF;
};

class TColorsTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TColorsTab(TAdditionConfigContext& context);

    // The twelve custom colours handed to the colour chooser: the correct-answer colour,
    // the wrong-answer colour, then the ten matching colours, as the page was shown.
    QList<TColor> customColors() const { return m_customColors; }

    TColorSwatch* ColorCorrect;
    TColorSwatch* ColorError;
    std::array<TColorSwatch*, 10> ColorCollation{};

protected:
    void load() override;
    void apply() override;

private:
    void choose(TColorSwatch* swatch);

    QList<TColor> m_customColors;
};

class TDefaultUserNameTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TDefaultUserNameTab(TAdditionConfigContext& context);

    QLineEdit* txtDefaultUserName;
    QLineEdit* txtUserNameExpression;
    QLineEdit* txtUserNameExample;
    QLineEdit* txtDefaultUserGroup;
    QLineEdit* txtUserGroupExpression;
    QLineEdit* txtUserGroupExample;

protected:
    void load() override;
    void apply() override;
};

class TSoundTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TSoundTab(TAdditionConfigContext& context);

    QCheckBox* cbUseSound;
    QCheckBox* cbUserSoundFile;
    QLineEdit* txtUserSoundFile;
    QPushButton* bbSelectUserSoundFile;
    QLineEdit* txtUserSoundDir;
    QPushButton* bbSelectUserSoundDir;
    QPushButton* bbSoundProba;

protected:
    void load() override;
    void apply() override;

private:
    void setFileControlsEnabled(bool enabled);
    void cbUseSoundClick();
    void cbUserSoundFileClick();
    void bbSelectUserSoundFileClick();
    void bbSelectUserSoundDirClick();
    void bbSoundProbaClick();
};

class TPasswordTab : public TAdditionConfigTab
{
    Q_OBJECT

public:
    explicit TPasswordTab(TAdditionConfigContext& context);

    QCheckBox* cbUsePassword;
    QLineEdit* txtPassword;

protected:
    void load() override;
    void apply() override;
};

} // namespace kvizor
