#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;
class TUDbSelector;

// The login dialog: a user name checked against the database, or work
// offline under a remembered name. The mode chosen is kept in the local
// preferences ("LAST_LOGIN_WAS_LOCAL") as soon as it changes, the name
// ("LAST_LOGIN_NAME") when the dialog is accepted. A name the database
// refuses keeps the dialog open with the name selected for retyping.
//
// The selector is not owned and must outlive the dialog.
class TUDbUserDialog : public QDialog
{
    Q_OBJECT
public:
    // lastName fills the name field; offlineAllowed lets the dialog start in
    // the mode last used instead of always connected.
    TUDbUserDialog(TUDbSelector &selector, const QString &lastName, bool offlineAllowed, QWidget *parent);

    QString typedName() const;
    bool isOffline() const { return m_offline; }

public slots:
    // OK: takes the typed name (offline, or when the database knows it).
    void apply();
    void enableApply();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addApplicationImage(QVBoxLayout *layout);
    QWidget *createModeBox();
    void connectToggled(bool on);
    void offlineToggled(bool on);
    void setOffline(bool offline);
    void acceptWithoutDatabase(const QString &name);
    void centreOnScreen();

    TUDbSelector &m_selector;
    QLineEdit *m_nameEdit;
    QRadioButton *m_connectButton;
    QRadioButton *m_offlineButton;
    QDialogButtonBox *m_buttons;
    bool m_offline;
};
