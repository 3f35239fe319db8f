// Playlists and a folder dropped on the main window: taken as Open m3u and Select Directory take
// theirs, while those buttons are enabled and no command runs; anything else is refused by the
// cursor.

#include "PruneDlg.h"

#include "Resource.h"
#include "UriList.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include <sys/stat.h>

namespace {

bool isFolder(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

// What a drop would open: playlists (none of them a folder), or one folder (`folder` set); none
// when the window would take nothing. The paths come from the drop's raw bytes, not from QUrl,
// so that names that are not UTF-8 arrive intact.
std::vector<std::string> CPruneDlg::DropTarget(const QMimeData* data, bool& folder) const
{
    folder = false;
    const QByteArray list = data->data(QStringLiteral("text/uri-list"));
    std::optional<std::vector<std::string>> paths = localPathsOfUriList(list.toStdString());
    if (!paths) {
        return {};
    }
    const auto folders = std::count_if(paths->begin(), paths->end(), isFolder);
    if (folders == 0 && IsIdle(IDC_OPEN_M3U)) {
        return std::move(*paths);
    }
    if (folders == 1 && paths->size() == 1 && IsIdle(IDC_SELECT_DIR)) {
        folder = true;
        return std::move(*paths);
    }
    return {};
}

void CPruneDlg::dragEnterEvent(QDragEnterEvent* event)
{
    bool folder = false;
    if (!DropTarget(event->mimeData(), folder).empty()) {
        event->acceptProposedAction();
    }
}

void CPruneDlg::dragMoveEvent(QDragMoveEvent* event)
{
    bool folder = false;
    if (!DropTarget(event->mimeData(), folder).empty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CPruneDlg::dropEvent(QDropEvent* event)
{
    bool folder = false;
    std::vector<std::string> paths = DropTarget(event->mimeData(), folder);
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (folder) {
        SelectBaseDirectory(std::move(paths.front()));
    } else {
        OpenPlaylists(std::move(paths));
    }
}
