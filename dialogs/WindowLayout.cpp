#include "WindowLayout.h"

#include <QWidget>

QRect placedControl(const QRect& atTemplate, const QSize& templateSize, const QSize& size, unsigned style)
{
    const int extraWidth = std::max(0, size.width() - templateSize.width());
    const int extraHeight = std::max(0, size.height() - templateSize.height());
    QRect placed = atTemplate;
    if ((style & kStyleGrowWidth) != 0) {
        placed.setWidth(atTemplate.width() + extraWidth);
    } else if (2 * atTemplate.center().x() >= templateSize.width()) {
        placed.moveLeft(atTemplate.left() + extraWidth);
    }
    if ((style & kStyleGrowHeight) != 0) {
        placed.setHeight(atTemplate.height() + extraHeight);
    } else if (2 * atTemplate.center().y() >= templateSize.height()) {
        placed.moveTop(atTemplate.top() + extraHeight);
    }
    return placed;
}

WindowLayout::WindowLayout(const DialogTemplate& dialogTemplate, const DialogUnits& units, const DialogItems& items)
    : m_templateSize(units.toPixelsX(dialogTemplate.width), units.toPixelsY(dialogTemplate.height))
{
    for (const ControlTemplate& control : dialogTemplate.controls) {
        m_controls.push_back({items.item(control.id),
                              units.toPixels(control.x, control.y, control.width, control.height), control.style});
    }
}

void WindowLayout::apply(const QSize& size) const
{
    for (const Placed& control : m_controls) {
        control.widget->setGeometry(placedControl(control.atTemplate, m_templateSize, size, control.style));
    }
}
