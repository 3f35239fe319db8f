#pragma once

#include "DialogBuilder.h"

#include <QDialog>

// The about box: icon, version, credits and where to report problems.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QWidget* GetDlgItem(int id) const { return m_items.item(id); }

private:
    DialogItems m_items;
};
