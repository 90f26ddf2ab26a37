#pragma once

#include <QDialog>

class QLabel;
class QSlider;
class TUDbAccess;

// What the job and scene priority dialogs share: the "High"/"Low" slider,
// its preset from the selection's priorities, and one change per selected
// object whose failures are reported by name. The access is not owned.
class TUPriorityDlg : public QDialog
{
    Q_OBJECT
public:
    int priority() const;

public slots:
    void priorityChange(int priority);

protected:
    TUPriorityDlg(QWidget *parent, TUDbAccess *access, const QString &title);

    // Presets the slider: the common priority, 5 when they differ, the
    // label -1 when there is nothing selected (priorities empty).
    void preset(const QVector<int> &priorities);
    // Calls change(name) for each name, reporting failure for the ones that
    // fail; accepts when none failed.
    template <typename Change>
    void applyEach(const QStringList &names, const char *failure, Change change);

    TUDbAccess *m_access;

private:
    void reportFailure(const char *failure, const QString &name) const;

    QSlider *m_slider;
    QLabel *m_value;
};

template <typename Change>
void TUPriorityDlg::applyEach(const QStringList &names, const char *failure, Change change)
{
    bool allDone = true;
    for (const QString &name : names) {
        if (!change(name)) {
            reportFailure(failure, name);
            allDone = false;
        }
    }
    if (allDone)
        accept();
}
