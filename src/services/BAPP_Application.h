#pragma once

#include <QCoreApplication>
#include <QStringList>

// What every application object of the program shares, window or not.
class BAPP_Application
{
public:
    virtual ~BAPP_Application() = default;

    // The arguments as text, without the program name.
    static QStringList parseArguments(int argc, char **argv);
    // True on the thread that created the application object (or, before
    // one exists, on the thread that first asked).
    static bool isMainThread();
};

// The application object of runs without a window (batch, script server).
class BAPP_CoreApplication : public QCoreApplication, public BAPP_Application
{
public:
    BAPP_CoreApplication(int &argc, char **argv);
};
