#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QSpinBox;

// The render settings of a request to the render queue: output format,
// frame range and the renderer's extra options, shown over the scene the
// window has loaded. Not deleted on close: the caller reads the settings.
class TURenderDlg : public QDialog
{
    Q_OBJECT
public:
    TURenderDlg(QWidget *parent, const QString &sceneName, int frames);

    // The output format's file extension.
    QString suffix() const;
    // What the queue program is asked for: "-frames F L -outformat S" and the extra options.
    QString options() const;

private:
    QComboBox *m_format;
    QSpinBox *m_first;
    QSpinBox *m_last;
    QLineEdit *m_extra;
};
