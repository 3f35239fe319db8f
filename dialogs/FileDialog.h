#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

class QWidget;

// The file dialogs. Each starts in `folder` (empty for the default) and leaves there the folder of
// the file chosen, or the one it showed last.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    // The chosen or typed full paths as file-system bytes, none when the user cancelled. Several
    // files may be chosen; a typed name need not exist.
    virtual std::vector<std::string> getOpenFileNames(QWidget* owner, const QString& filter, QString& folder) = 0;
    // The path to save to, as file-system bytes; nothing when the user cancelled. The dialog asks
    // before an existing file is replaced.
    virtual std::optional<std::string> getSaveFileName(QWidget* owner, const QString& filter, QString& folder) = 0;
};

class QtFileDialog final : public IFileDialog {
public:
    std::vector<std::string> getOpenFileNames(QWidget* owner, const QString& filter, QString& folder) override;
    std::optional<std::string> getSaveFileName(QWidget* owner, const QString& filter, QString& folder) override;
};
