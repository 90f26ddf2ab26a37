#pragma once

#include <QDialog>

class TULogView;

// The log window: a live log view above a "Close" button.
class TULogDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TULogDlg(QWidget *parent);

    TULogView *view() const { return m_view; }

private:
    TULogView *m_view;
};
