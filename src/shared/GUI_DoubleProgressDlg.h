#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// A modal progress window for work in two levels (the items, and the steps
// of the current item): two labelled bars over a "Cancel" button. Cancel
// marks the work cancelled; the work asks wasCanceled() between its steps.
class GUI_DoubleProgressDlg : public QDialog
{
    Q_OBJECT
public:
    enum Bar { Upper, Lower };

    GUI_DoubleProgressDlg(QWidget *parent, const QString &title);

    void setRange(Bar bar, int minimum, int maximum);
    void setValue(Bar bar, int value);
    void advance(Bar bar);
    void setLabelText(Bar bar, const QString &text);
    void setBarVisible(Bar bar, bool visible);

    bool wasCanceled() const { return m_canceled; }
    void resetCancel() { m_canceled = false; }

    // Escape and the window's close button are Cancel too.
    void reject() override { cancelRequested(); }

protected:
    // Cancel was pressed: marks the work cancelled and empties both bars.
    virtual void cancelRequested();

private:
    QLabel *m_labels[2];
    QProgressBar *m_bars[2];
    bool m_canceled = false;
};
