#pragma once

#include "ui_tyrunscriptdialog.h"

#include <QDialog>

// Asks for the script a "Run Script..." run has the scene editor execute in
// each scene: the script file, the code to evaluate and the editor's extra
// command-line arguments.
class TYRunScriptDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TYRunScriptDialog(QWidget *parent);

    QString scriptFile() const;
    QString evalCode() const;
    QString argumentsText() const;
    QStringList arguments() const;

    // Words separated by white space; a double-quoted run (which may hold
    // escaped quotes) is one word, without its quotes.
    static QStringList splitArguments(const QString &text);

public slots:
    void selectScriptFile();

private slots:
    void validateOkButton();

private:
    Ui::TYRunScriptDialog m_ui;
};
