#pragma once

#include <QString>

// The string table: the text of a string resource, or an empty text for an ID it lacks.
QString LoadString(int id);
