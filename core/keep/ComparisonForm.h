#pragma once

#include <QString>

#include <string>
#include <string_view>

// The form in which keep-list entries and entry paths are compared: "\" and "/" are the same
// separator ("/"); each segment between separators is read as UTF-8 when it is valid UTF-8 and
// as Windows-1252 otherwise; the text is then put in Unicode normalization form C and lower-cased.
// The result is UTF-8. The same function serves both sides of the keep test.
void appendComparisonForm(std::string& out, std::string_view bytes);
std::string comparisonForm(std::string_view bytes);

// The text shown for a path: each "/"-separated segment that is valid UTF-8 is shown as UTF-8,
// any other as Windows-1252.
QString displayText(std::string_view pathBytes);

bool isValidUtf8(std::string_view bytes);
