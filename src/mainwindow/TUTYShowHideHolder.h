#pragma once

#include <QFrame>

class QLabel;
class QToolButton;
class QVBoxLayout;

// A titled frame whose body can be folded away: a 16-pixel title bar with a
// button, above the body that holds one widget. Folded, only the bar shows.
// The body's widget becomes a child of the holder.
class TUTYShowHideHolder : public QFrame
{
    Q_OBJECT
public:
    // The title bar's height: 16 pixels, or the title's when its font needs more.
    int barHeight() const { return m_barHeight; }

    TUTYShowHideHolder(const QString &title, QWidget *parent);

    // Puts widget in the body and shows or folds it.
    void setWidget(QWidget *widget, bool shown);
    void toggle();
    bool isCollapsed() const { return !m_shown; }

signals:
    void collapsedShowHide();
    void expandShowHide();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFrame *createBar(const QString &title);
    void applyState();
    void updateButtonIcon();

    QFrame *m_bar = nullptr;
    QLabel *m_title = nullptr;
    QToolButton *m_button = nullptr;
    QWidget *m_body = nullptr;
    QVBoxLayout *m_bodyLayout = nullptr;
    int m_barHeight = 16;
    bool m_shown = true;
};
