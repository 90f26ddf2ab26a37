#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class TUDbAccess;
class TUTallyard;

// The base of the main window's command sets: what every command needs
// from the window, and the reports all of them share.
class TUTYCommands : public QObject
{
    Q_OBJECT
public:
    explicit TUTYCommands(TUTallyard &window);

protected:
    TUDbAccess &access() const;
    QString userName() const;
    QWidget *dialogParent() const;
    // Whether the user holds permission (DBA_UserOps); when not, the
    // refusal whose first line is refusal, translated in context, is
    // reported. Every command checks again when it runs: a menu built for
    // another selection, or a slot reached without the menu, is no right.
    bool permits(int permission, const char *context, const char *refusal) const;

    // Enables an entry the menu may not have (its right was missing).
    static void enable(QAction *entry, bool enabled);
    // The names one per line, each after indent; past max names a last line
    // of indent and "..." stands for the rest.
    static QString nameList(const QStringList &names, int max, const QString &indent = QString());

    // Shows the wait cursor while it lives.
    class WaitCursor
    {
    public:
        WaitCursor();
        ~WaitCursor();
        WaitCursor(const WaitCursor &) = delete;
        WaitCursor &operator=(const WaitCursor &) = delete;
    };

    TUTallyard &m_window;
};

// A command set with a menu of its own: the menu's entries are created on
// first use, as the user's rights allow at that moment, and kept.
class TUTYMenuCommands : public TUTYCommands
{
    Q_OBJECT
public:
    TUTYMenuCommands(TUTallyard &window, QMenu *menu);

    QMenu *menu() const { return m_menu; }
    // Creates the entries unless they exist.
    void ensureMenu();

protected:
    virtual void buildMenu(QMenu &menu) = 0;

private:
    QMenu *m_menu;
    bool m_built = false;
};
