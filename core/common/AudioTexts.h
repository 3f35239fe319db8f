#pragma once

#include "AudioTypes.h"

#include <QString>

// The texts that name what a scan lists: mp3 files, or with every audio type, audio files.

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
