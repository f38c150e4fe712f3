#include "TextViewForm.h"

#include "DesignedSize.h"
#include "RichTextView.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kvizor {
namespace {

constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 1000;

} // namespace

TTextViewForm::TTextViewForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TextViewForm"));
    setWindowTitle(QStringLiteral("Просмотр"));
    setMinimumSize(300, 200);
    resize(611, 308);

    m_viewer = new RichTextView(this);
    m_viewer->setObjectName(QStringLiteral("Viewer"));
    auto* ok = new TDesigned<QPushButton>(QStringLiteral("OK"), this);
    ok->setDesignedSize(QSize(0, 25));
    m_ok = ok;
    m_ok->setObjectName(QStringLiteral("bbOK"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_viewer, 1);
    layout->addWidget(m_ok);

    // The form sees keys and mouse releases of the text before the text does.
    m_viewer->installEventFilter(this);
    m_viewer->viewport()->installEventFilter(this);
}

bool TTextViewForm::zoomKey(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text != QLatin1String("+") && text != QLatin1String("-"))
        return false;
    const int step = text == QLatin1String("+") ? kZoomStep : -kZoomStep;
    m_viewer->setZoom(std::clamp(m_viewer->zoom() + step, kMinZoom, kMaxZoom));
    return true;
}

void TTextViewForm::keyPressEvent(QKeyEvent* event)
{
    // Keys the focused button leaves unhandled arrive here.
    if (!zoomKey(event))
        QDialog::keyPressEvent(event);
}

bool TTextViewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (zoomKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (event->type() == QEvent::MouseButtonRelease && watched == m_viewer->viewport()) {
        m_ok->setFocus(Qt::MouseFocusReason);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kvizor
