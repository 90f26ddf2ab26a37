#pragma once

#include <QPlainTextEdit>
#include <QPointer>

class TUUIMessage;

// A read-only view of the log that follows the window message sink: it shows
// the log's text when created and every message after, for as long as it lives.
class TULogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TULogView(QWidget *parent = nullptr);
    ~TULogView() override;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Null when the process-wide sink is not a window sink (script runs).
    QPointer<TUUIMessage> m_sink;
};
