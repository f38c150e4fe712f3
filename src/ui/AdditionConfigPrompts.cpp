#include "ui/AdditionConfigPrompts.h"

#include "ui/ColorConversion.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kvizor {

AdditionConfigPrompts::~AdditionConfigPrompts() = default;

std::optional<QString> WidgetAdditionConfigPrompts::browseForFolder(QWidget* owner, const QString& title)
{
    QFileDialog dialog(owner, title);
    dialog.setObjectName(QStringLiteral("BrowseForFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // Only a folder of the local file system counts; a remote location yields nothing.
    const QString path = dialog.selectedFiles().constFirst();
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return std::nullopt;
    return QDir::toNativeSeparators(path);
}

std::optional<TColor> WidgetAdditionConfigPrompts::chooseColor(QWidget* owner, TColor preset,
                                                               const QList<TColor>& customColors)
{
    // The custom colours are shared by every colour dialog of the program; empty slots are white.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, i < customColors.size() ? ToQColor(customColors.at(i))
                                                                : QColor(Qt::white));
    QColorDialog dialog(ToQColor(preset), owner);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

QString WidgetAdditionConfigPrompts::chooseSoundFile(QWidget* owner)
{
    QFileDialog dialog(owner, QStringLiteral("Открыть"), QString(),
                       QStringLiteral("Звуковые файлы (*.wav *.WAV)"));
    dialog.setObjectName(QStringLiteral("OpenSoundDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void WidgetAdditionConfigPrompts::beep()
{
    QApplication::beep();
}

} // namespace kvizor
