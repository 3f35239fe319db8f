#pragma once

#include <QString>

class QWidget;

// Message box types as the handlers name them: buttons in the low nibble, icon above it.
enum MessageBoxType : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_ICONSTOP = 0x10,
    MB_ICONEXCLAMATION = 0x30,
};

// Shows a modal message box and returns IDOK or IDCANCEL.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int show(QWidget* owner, const QString& text, const QString& caption, unsigned type) = 0;
    // A warning whose accepting button says what it does ("Delete Anyway"); Cancel is the default
    // button, so that Return and Esc both keep everything. Returns IDOK or IDCANCEL.
    virtual int ask(QWidget* owner, const QString& text, const QString& caption, const QString& acceptText) = 0;
};

class QtMessageBox final : public IMessageBox {
public:
    int show(QWidget* owner, const QString& text, const QString& caption, unsigned type) override;
    int ask(QWidget* owner, const QString& text, const QString& caption, const QString& acceptText) override;
};
