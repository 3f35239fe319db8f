#pragma once

#include "DialogBuilder.h"
#include "DialogTemplate.h"

#include <QRect>
#include <QSize>

#include <utility>
#include <vector>

class QWidget;

// Where a control of a resizable window goes at `size`: at the template's size, where the
// template puts it. Larger, a control marked to grow takes the extra width or height, and every
// other one keeps its size and its distance to the edges nearest to it.
QRect placedControl(const QRect& atTemplate, const QSize& templateSize, const QSize& size, unsigned style);

// Moves a built template's controls as its window is resized.
class WindowLayout {
public:
    WindowLayout() = default;
    WindowLayout(const DialogTemplate& dialogTemplate, const DialogUnits& units, const DialogItems& items);

    QSize templateSize() const { return m_templateSize; }
    void apply(const QSize& size) const;

private:
    struct Placed {
        QWidget* widget;
        QRect atTemplate;
        unsigned style;
    };
    QSize m_templateSize;
    std::vector<Placed> m_controls;
};
