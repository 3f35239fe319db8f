#include "Scripted.h"

#include "resources/Resource.h"

int ScriptedMessageBox::show(QWidget*, const QString& text, const QString& caption, unsigned type)
{
    boxes.push_back({text, caption, type});
    if (answers.empty()) {
        return IDOK;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFileDialog::getOpenFileName(QWidget*, const QString& filter)
{
    filters.push_back(filter);
    if (answers.empty()) {
        return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPathPicker::ShowDialog(QWidget* owner, const QString& title, const QString& prompt)
{
    calls.push_back({title, prompt, owner});
    if (answers.empty()) {
        return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedDirLister::list(const std::string& dirPath, DirListing& out)
{
    listed.push_back(dirPath);
    if (onList) {
        onList(dirPath);
    }
    if (failing.count(dirPath) != 0) {
        out.clear();
        return false;
    }
    const auto same = sameDirectoryAs.find(dirPath);
    return m_real.list(same == sameDirectoryAs.end() ? dirPath : same->second, out);
}

int ScriptedFileDeleter::remove(const std::string& path)
{
    removed.push_back(path);
    if (onRemove) {
        onRemove(path);
    }
    const auto fail = failing.find(path);
    if (fail != failing.end()) {
        return fail->second;
    }
    return PosixFileDeleter().remove(path);
}
