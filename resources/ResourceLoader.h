#pragma once

#include <QIcon>
#include <QString>

// The string table: the text of a string resource, or an empty text for an ID it lacks.
QString LoadString(int id);

// The program icon (IDR_MAINFRAME) at every size it ships.
QIcon LoadIcon(int id);
