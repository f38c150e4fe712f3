#pragma once

#include <QDialog>

namespace kvizor {

// The three small windows of the help menu. Each is modal, owned by the main window
// and destroyed when closed.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

class TLicenseForm : public QDialog
{
    Q_OBJECT
public:
    explicit TLicenseForm(QWidget* parent = nullptr);
};

class TDonateForm : public QDialog
{
    Q_OBJECT
public:
    explicit TDonateForm(QWidget* parent = nullptr);
};

// The licence text bundled with the program (the GNU GPL, version 2).
QString licenseText();

} // namespace kvizor
