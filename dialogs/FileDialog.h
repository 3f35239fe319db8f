#pragma once

#include <QString>

#include <string>
#include <vector>

class QWidget;

// The open-file dialog: the chosen or typed full paths as file-system bytes, none when the user
// cancelled. Several files may be chosen; a typed name need not exist.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    virtual std::vector<std::string> getOpenFileNames(QWidget* owner, const QString& filter) = 0;
};

class QtFileDialog final : public IFileDialog {
public:
    std::vector<std::string> getOpenFileNames(QWidget* owner, const QString& filter) override;
};
