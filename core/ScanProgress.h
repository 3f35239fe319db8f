#pragma once

#include <QString>

#include <atomic>
#include <cstddef>

// How far a running scan has got: written by the worker, read by the window's timer.
struct ScanProgress {
    std::atomic<std::size_t> found {0}; // mp3 entries the walk has found so far
    std::atomic<bool> walked {false}; // the walk, and with it the keep test, is over; `found` is the total
};

// The percentage shown while scanning: the quotient in double precision times 100, rounded to
// the nearest float and widened back, then rounded half up (12.5 shows as 13, 57.5 as 58).
int scanPercent(int scanned, int total);

// "3 of 12 (25%) MP3s scanned"
QString scanStatusText(int scanned, int total);

// "12,345 MP3s found", while the walk is still counting.
QString countStatusText(std::size_t found);

// 19480 as "19,480".
QString groupedNumber(std::size_t n);
