#pragma once

#include "TUVectOptionList.h"

#include <QDialog>

class QListWidget;
class QListWidgetItem;

// Offers the vectorize styles of the styles file, read each time the
// dialog is built; the chosen style's options go with every vectorize
// request. The main window keeps one instance.
class TUVectOptionsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TUVectOptionsDlg(QWidget *parent, const QString &stylesFile = TUVectOptionList::defaultPath());

    // The chosen style's options; empty when none is chosen.
    QString options() const;
    QString chosenStyle() const;

public slots:
    void selectItem(QListWidgetItem *current, QListWidgetItem *previous);

private:
    TUVectOptionList m_styles;
    int m_chosen = -1;
    QListWidget *m_list;
};
