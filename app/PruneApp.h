#pragma once

#include <QApplication>

// The application: owns the QApplication and runs the main window modally.
class CPruneApp {
public:
    CPruneApp(int& argc, char** argv);

    // Runs the main window until it closes; returns the process's exit status.
    int InitInstance();

private:
    QApplication m_app;
};
