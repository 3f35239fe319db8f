#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

// The open-file dialog: the chosen or typed full path as file-system bytes, or nothing when
// the user cancelled. The named file need not exist.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    virtual std::optional<std::string> getOpenFileName(QWidget* owner, const QString& filter) = 0;
};

class QtFileDialog final : public IFileDialog {
public:
    std::optional<std::string> getOpenFileName(QWidget* owner, const QString& filter) override;
};
