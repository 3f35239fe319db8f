#pragma once

// The folder common/: what reading, the keep test, the walk and the removal share: the
// program's sentences and numbers, indices, descriptors, the user's folders.

#include "AudioTypes.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// The sentences that the window and the command line both say, and the one way they write
// numbers. The removal's own sentences are in RemovalTexts.h.

// 19480 as "19,480".
QString groupedNumber(std::size_t n);

// 5,200,000,000 bytes as "5.2 GB".
QString dataSizeText(std::uint64_t bytes);

// What a scan lists: mp3 files, or with every audio type, audio files.

// "No mp3 files found in that directory!"
QString noneFoundText(AudioTypes types);
// "No unwanted mp3 files found in that directory!"
QString noneUnwantedText(AudioTypes types);
// "Select MP3s to Delete:"
QString selectPromptText(AudioTypes types);
// The confirmation's line when every audio type is listed; empty for mp3 files only.
QString allAudioNote(AudioTypes types);
// ".flac .ogg .oga ...": the endings listed besides mp3.
QString audioEndingsText();
