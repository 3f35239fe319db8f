#include "resources/Strings.h"

#include "resources/Resource.h"

QString LoadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Tuneprune...");
    default:
        return {};
    }
}
