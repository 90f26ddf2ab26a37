#include "BUIAPP_Application.h"

#include <QStyleFactory>
#include <QWidget>

BUIAPP_Application::BUIAPP_Application(int &argc, char **argv)
    : QApplication(argc, argv)
    , m_lightPalette(palette())
{
}

BUIAPP_Application::~BUIAPP_Application() = default;

BUIAPP_Application *BUIAPP_Application::instance()
{
    return qobject_cast<BUIAPP_Application *>(QCoreApplication::instance());
}

QWidget *BUIAPP_Application::floaterModal() const
{
    if (m_mainWidget)
        return m_mainWidget;
    return activeWindow();
}

void BUIAPP_Application::setMainWidget(QWidget *widget)
{
    m_mainWidget = widget;
}

void BUIAPP_Application::setDarkStyle(bool dark)
{
    m_dark = dark;
    if (!dark) {
        setPalette(m_lightPalette);
        return;
    }
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor window(53, 53, 53), base(35, 35, 35), text(220, 220, 220);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(42, 130, 218));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    setPalette(p);
}
