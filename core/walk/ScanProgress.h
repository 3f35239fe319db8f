#pragma once

#include "AudioTypes.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>

// How far a running scan has got: written by the worker, read by the window's timer.
class ScanProgress {
public:
    // The mp3 entries the walk has found so far; once walked, the total.
    std::size_t found() const;
    // Whether the walk, and with it the keep test, is over.
    bool walked() const { return m_bWalked.load(std::memory_order_acquire); }
    void add(std::size_t mp3s) { m_nFound.fetch_add(mp3s, std::memory_order_relaxed); }
    void finish(std::size_t total);
    void clear();

private:
    std::atomic<std::size_t> m_nFound {0};
    std::size_t m_nTotal = 0; // written before m_bWalked is set
    std::atomic<bool> m_bWalked {false};
};

// The percentage shown while scanning: the quotient in double precision times 100, rounded to
// the nearest float and widened back, then rounded half up (12.5 shows as 13, 57.5 as 58).
int scanPercent(int scanned, int total);

// "3 of 12 (25%) MP3s scanned"; "audio files" for MP3s with every audio type.
QString scanStatusText(int scanned, int total, AudioTypes types = AudioTypes::Mp3);

// "12,345 MP3s found", while the walk is still counting.
QString countStatusText(std::size_t found, AudioTypes types = AudioTypes::Mp3);

// What the scan's texts call the files they count: "MP3s", or "audio files".
QString listedFilesWord(AudioTypes types);
