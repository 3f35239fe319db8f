#include "AboutDlg.h"

#include "DialogTemplates.h"
#include "Resource.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    if (pParent != nullptr) {
        setWindowIcon(pParent->windowIcon());
    }
    m_items = buildDialog(*this, kAboutTemplate);
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(IDOK))) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        ok->setFocus();
    }
}
