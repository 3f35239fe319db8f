#include "DialogBuilder.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace {

// Rows as wide as the list, whatever their text: a longer path is elided, not scrolled to.
class ListRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

int mulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + denominator / 2) / denominator);
}

QWidget* makeControl(QDialog& dialog, const ControlTemplate& control)
{
    const QString caption = QString::fromUtf8(control.caption);
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new QPushButton(caption, &dialog);
        button->setAutoDefault(true);
        button->setDefault((control.style & kStyleDefault) != 0);
        return button;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(&dialog);
        // Paths go into labels: never let one be taken for rich text.
        label->setTextFormat(Qt::PlainText);
        label->setText(caption);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap((control.style & kStyleWordWrap) != 0);
        return label;
    }
    case ControlKind::ProgressBar: {
        auto* progress = new QProgressBar(&dialog);
        progress->setOrientation(Qt::Horizontal);
        progress->setTextVisible(false);
        progress->setRange(0, 100);
        progress->setValue(0);
        return progress;
    }
    case ControlKind::ListBox: {
        auto* list = new QListView(&dialog);
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->setUniformItemSizes(true);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        // A path wider than the list loses its middle; the tooltip shows it whole.
        list->setTextElideMode(Qt::ElideMiddle);
        list->setItemDelegate(new ListRowDelegate(list));
        list->setWordWrap(false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return list;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(caption, &dialog);
    case ControlKind::Link: {
        // Rich text only for its links: the dialog escapes everything else it puts there.
        auto* link = new QLabel(&dialog);
        link->setTextFormat(Qt::RichText);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        link->setText(caption.toHtmlEscaped());
        return link;
    }
    case ControlKind::IconPicture: {
        auto* picture = new QLabel(&dialog);
        picture->setPixmap(dialog.windowIcon().pixmap(32, 32));
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return picture;
    }
    }
    return nullptr;
}

} // namespace

DialogUnits DialogUnits::of(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

int DialogUnits::toPixelsX(int units) const
{
    return mulDiv(units, baseX, 4);
}

int DialogUnits::toPixelsY(int units) const
{
    return mulDiv(units, baseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const
{
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QWidget* DialogItems::item(int id) const
{
    const auto found = m_items.find(id);
    return found == m_items.end() ? nullptr : found->second;
}

DialogItems buildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate)
{
    const DialogUnits units = DialogUnits::of(dialog.font());
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    dialog.setFixedSize(units.toPixelsX(dialogTemplate.width), units.toPixelsY(dialogTemplate.height));

    DialogItems items;
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = makeControl(dialog, control);
        widget->setObjectName(QString::fromUtf8(control.name));
        widget->setGeometry(units.toPixels(control.x, control.y, control.width, control.height));
        widget->setEnabled((control.style & kStyleDisabled) == 0);
        widget->setVisible((control.style & kStyleHidden) == 0);
        if ((control.style & kStyleTabStop) != 0) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop != nullptr) {
                QWidget::setTabOrder(previousTabStop, widget);
            }
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        items.add(control.id, widget);
    }
    return items;
}
