#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

// The directory picker: the chosen directory's absolute path as file-system bytes, ending
// in "/", or nothing when the user cancelled. Modal to the owner. It starts in `folder` (empty
// for the default) and leaves there the folder chosen, or the one it showed last.
class IPathPicker {
public:
    virtual ~IPathPicker() = default;
    virtual std::optional<std::string> ShowDialog(QWidget* owner, const QString& title, const QString& prompt,
                                                  QString& folder)
        = 0;
};

class QtPathPicker final : public IPathPicker {
public:
    std::optional<std::string> ShowDialog(QWidget* owner, const QString& title, const QString& prompt,
                                          QString& folder) override;
};
