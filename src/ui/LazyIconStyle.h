#pragma once

#include <QProxyStyle>

namespace kvizor {

// The application style, with standard icons that load their pictures only when first
// drawn. Loading a picture brings in every image-format plugin; the menu bar asks for an
// icon it rarely shows, which would otherwise cost that at every start.
class LazyIconStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit LazyIconStyle(QStyle* base = nullptr);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace kvizor
