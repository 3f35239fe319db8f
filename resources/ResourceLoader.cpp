#include "ResourceLoader.h"

#include "Resource.h"

QString LoadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Tuneprune...");
    default:
        return {};
    }
}

QIcon LoadIcon(int id)
{
    QIcon icon;
    if (id == IDR_MAINFRAME) {
        for (int size : {16, 24, 32, 48, 64, 128}) {
            icon.addFile(QStringLiteral(":/icons/%1/tuneprune.png").arg(size));
        }
    }
    return icon;
}
