#pragma once

#include <QString>

// The percentage shown while scanning: the quotient in double precision times 100, rounded to
// the nearest float and widened back, then rounded half up (12.5 shows as 13, 57.5 as 58).
int scanPercent(int scanned, int total);

// "3 of 12 (25%) MP3s scanned"
QString scanStatusText(int scanned, int total);
