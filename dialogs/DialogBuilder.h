#pragma once

#include "DialogTemplate.h"

#include <QRect>

#include <map>

class QDialog;
class QFont;
class QWidget;

// Dialog units of a font: one x unit is a quarter of the font's average character width, one
// y unit an eighth of its height, as on the platform the templates were designed for.
struct DialogUnits {
    int baseX;
    int baseY;

    static DialogUnits of(const QFont& font);
    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int width, int height) const;
};

// The widgets that a template made, by control ID.
class DialogItems {
public:
    QWidget* item(int id) const;
    void add(int id, QWidget* widget) { m_items.emplace(id, widget); }

private:
    std::map<int, QWidget*> m_items;
};

// Gives `dialog` the template's caption and fixed size and makes the template's controls as its
// children, in tab order, with their captions, places and initial states. Each widget's
// objectName is its ID name.
DialogItems buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);
