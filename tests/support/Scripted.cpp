#include "Scripted.h"

#include "Resource.h"

#include <cerrno>

namespace {

// The next scripted answer, or `otherwise` once the script has run out.
template<typename T> T next(std::deque<T>& answers, T otherwise)
{
    if (answers.empty()) {
        return otherwise;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

int ScriptedMessageBox::show(QWidget*, const QString& text, const QString& caption, unsigned type)
{
    boxes.push_back({text, caption, type});
    return next(answers, IDOK);
}

std::optional<std::string> ScriptedFileDialog::getOpenFileName(QWidget*, const QString& filter)
{
    filters.push_back(filter);
    return next(answers, std::optional<std::string>());
}

std::optional<std::string> ScriptedPathPicker::ShowDialog(QWidget* owner, const QString& title, const QString& prompt)
{
    calls.push_back({title, prompt, owner});
    return next(answers, std::optional<std::string>());
}

int ScriptedDirLister::list(int parentFd, const std::string& name, const std::string& path, DirListing& out)
{
    if (onList) {
        onList(path);
    }
    if (failing.count(path) != 0) {
        return EACCES;
    }
    // As a bind mount: everything below the directory is what is below the other one.
    for (const auto& [dir, other] : sameDirectoryAs) {
        if (path.starts_with(dir)) {
            const std::string mapped = other + path.substr(dir.size());
            return m_real.list(kNoParent, mapped, mapped, out);
        }
    }
    return m_real.list(parentFd, name, path, out);
}

int ScriptedFileDeleter::remove(const std::string& baseDir, std::string_view dir, std::string_view name,
                                const EntryIdentity& identity)
{
    const std::string path = baseDir + std::string(dir) + std::string(name);
    removed.push_back(path);
    if (onRemove) {
        onRemove(path);
    }
    const auto fail = failing.find(path);
    return fail != failing.end() ? fail->second : m_real.remove(baseDir, dir, name, identity);
}
