#include "PruneApp.h"

#include "CloseOnSignals.h"
#include "PruneDlg.h"
#include "RealServices.h"
#include "Resource.h"
#include "ResourceLoader.h"

CPruneApp::CPruneApp(int& argc, char** argv)
    : m_app(argc, argv)
{
    QApplication::setApplicationName(QStringLiteral("Tuneprune"));
    QApplication::setApplicationVersion(QStringLiteral(TUNEPRUNE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.tuneprune.Tuneprune"));
    QApplication::setWindowIcon(LoadIcon(IDR_MAINFRAME));
}

int CPruneApp::InitInstance()
{
    CPruneDlg dlg(realServices(), nullptr, kMainTemplate, WindowSettings::load());
    const CloseOnSignals closer(&dlg);
    dlg.exec();
    dlg.settings().save();
    return closer.signal() != 0 ? 128 + closer.signal() : 0;
}
