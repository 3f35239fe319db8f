#pragma once

#include "AudioTypes.h"
#include "Deletion.h"
#include "Removal.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>

// What the window and the command line say of a removal: its question, its progress, its end.

// Why a file could not be removed: "changed since the scan", or the system's words for `error`.
QString failureReason(int error);

// Why the record of a removal is missing: "could not be written to DIR: REASON".
QString recordFailure(int error);

// "Deleting 120 of 1,204", "Moving to trash 120 of 1,204".
QString removalProgressText(Removal removal, std::size_t done, std::size_t total);

// What the confirmation adds when the folders left empty go too.
QString foldersLeftEmptyNote();

// The question before a move to the trash: "Move the 1,204 selected files (5.2 GB) to the trash?"
// and why it is not the end of the space; the size left out while it is not known.
QString trashQuestion(std::size_t files, std::optional<std::uint64_t> bytes);

// What a removal did, for the window's end box and the command line alike: the success sentence
// only when every selected file went, otherwise how many went and whether it was stopped; each
// trash used with its count, the folders removed and those that stayed, a record that could not
// be written; last, how many could not go, the first `shown` of them with the reason.
QString removalDoneText(const RemovalOutcome& outcome, std::size_t shown = 10);

// The confirmation's further paragraphs, in order: every audio type listed, the folders left
// empty going too.
QStringList removalNotes(AudioTypes types, bool emptyFoldersToo);
