#pragma once

#include "BAPP_Application.h"

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QWidget>

class QWidget;

// The application object of runs that may show windows.
class BUIAPP_Application : public QApplication, public BAPP_Application
{
    Q_OBJECT
public:
    BUIAPP_Application(int &argc, char **argv);
    ~BUIAPP_Application() override;

    static BUIAPP_Application *instance();

    // The parent of every modal dialog and message box: the main widget when
    // one is set, otherwise the active window (may be null).
    QWidget *floaterModal() const;
    void setMainWidget(QWidget *widget);
    QWidget *mainWidget() const { return m_mainWidget; }

    // Switches between the program's dark palette and the platform's light one.
    void setDarkStyle(bool dark);
    bool isDarkStyle() const { return m_dark; }

    // Called before the program blocks in a modal loop; a hook for subclasses.
    virtual void aboutToBlock() {}

private:
    QPointer<QWidget> m_mainWidget;
    QPalette m_lightPalette;
    bool m_dark = false;
};
