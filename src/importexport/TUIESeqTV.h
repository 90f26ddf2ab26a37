#pragma once

#include <QSet>
#include <QStringList>

// One drawing column of a scene file: its name and the drawings it exposes,
// each listed once, in the order first met.
class TUIESeqTV
{
public:
    explicit TUIESeqTV(const QString &name = QString()) : m_name(name) {}
    virtual ~TUIESeqTV() = default;
    TUIESeqTV(const TUIESeqTV &) = default;
    TUIESeqTV &operator=(const TUIESeqTV &) = default;

    QString name() const { return m_name; }
    const QStringList &drawings() const { return m_drawings; }
    // Double quotes are dropped from the name first; an empty name or one
    // already listed is not added (false).
    bool addDrawing(const QString &name);

private:
    QString m_name;
    QStringList m_drawings;
    QSet<QString> m_listed; // m_drawings again, so that a long column reads in linear time
};
