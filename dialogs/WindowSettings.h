#pragma once

#include <QSize>
#include <QString>

// What the window keeps between runs, in $XDG_CONFIG_HOME/tuneprune/tuneprune.conf. A file that
// cannot be read or parsed, anything there but a regular file, or a value this program did not
// write, counts as none; what is not ours is never written over, and without a home nothing is
// kept. None of it is worth a box.
struct WindowSettings {
    QSize size; // of the window, not maximized; invalid for the template's
    bool maximized = false;
    QString playlistFolder; // where the open dialog last was
    QString directoryFolder; // where the directory picker last was
    bool removeEmptyFolders = false;
    bool allAudio = false; // list every audio file, not only mp3

    static QString filePath(); // empty where there is no home
    static WindowSettings load();
    void save() const;
};
