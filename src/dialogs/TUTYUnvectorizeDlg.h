#pragma once

#include "ui_tutyunvectorizedlg.h"

#include <QButtonGroup>
#include <QDialog>

class TUDbAccess;

// Collects what an unvectorize request needs: which of the offered
// drawings, elements or scenes to send, the output format and the
// vectorizer's options. The main window keeps one and runs it per request.
class TUTYUnvectorizeDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYUnvectorizeDlg(QWidget *parent, TUDbAccess *access);

    // kind is "Drawings", "Elements" or "Scenes"; selected holds the
    // names to start selected. Returns the dialog's result.
    int run(const QString &kind, const QStringList &names, const QStringList &selected);

    QStringList selectedNames() const;
    QString suffix() const { return m_suffix; }
    QString options() const { return m_options; }

public slots:
    void enableOK();
    void onGbResolutionClicked(int id);
    void Accept();

private:
    Ui::TUTYUnvectorizeDlg m_ui;
    QButtonGroup m_resolution;
    QString m_suffix;
    QString m_options;
};
