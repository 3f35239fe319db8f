#include "MessageBox.h"

#include "Resource.h"

#include <QMessageBox>
#include <QPushButton>

int QtMessageBox::show(QWidget* owner, const QString& text, const QString& caption, unsigned type)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (type & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    if ((type & 0x0F) == MB_OKCANCEL) {
        box.addButton(QMessageBox::Cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok ? IDOK : IDCANCEL;
}

int QtMessageBox::ask(QWidget* owner, const QString& text, const QString& caption, const QString& acceptText)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Warning);
    QPushButton* accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == accept ? IDOK : IDCANCEL;
}
