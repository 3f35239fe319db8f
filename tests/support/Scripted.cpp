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

int ScriptedDirLister::list(const std::string& dirPath, DirListing& out)
{
    if (onList) {
        onList(dirPath);
    }
    if (failing.count(dirPath) != 0) {
        return EACCES;
    }
    const auto same = sameDirectoryAs.find(dirPath);
    return m_real.list(same == sameDirectoryAs.end() ? dirPath : same->second, out);
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
