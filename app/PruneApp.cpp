#include "app/PruneApp.h"

#include "dialogs/PruneDlg.h"

#include <QIcon>

CPruneApp::CPruneApp(int& argc, char** argv)
    : m_app(argc, argv)
{
    QApplication::setApplicationName(QStringLiteral("Tuneprune"));
    QApplication::setApplicationVersion(QStringLiteral(TUNEPRUNE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.tuneprune.Tuneprune"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        icon.addFile(QStringLiteral(":/icons/%1/tuneprune.png").arg(size));
    }
    QApplication::setWindowIcon(icon);
}

int CPruneApp::InitInstance()
{
    CPruneDlg dlg(realServices());
    dlg.exec();
    return 0;
}
