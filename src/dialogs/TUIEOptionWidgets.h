#pragma once

#include "TUIECopier.h"

#include <QMap>
#include <QStringList>

class QWidget;

// The data-option check boxes and link choices that the export and import
// forms share, found by their object names and read and set by the option
// words of the exporter and importer. A check box inside a switched box
// counts only while the box is on. Not owned: the widgets belong to the form.
class TUIEOptionWidgets
{
public:
    explicit TUIEOptionWidgets(QWidget *form);

    // The words the form has a widget for.
    QStringList words() const { return m_widgets.keys(); }
    QWidget *widget(const QString &word) const { return m_widgets.value(word); }
    bool isOn(const QString &word) const;
    void setOn(const QString &word, bool on);
    // Every option and box switch on or off.
    void setAll(bool on);
    // Database, Elements, Timing Drawings and Stage on, the rest off.
    void setDefaults();
    // Whether anything would be exported or imported: a top-level check box
    // or a box switch is on.
    bool anyOn() const;

    TUIECopier::LinkMode linkMode() const;
    void setLinkMode(TUIECopier::LinkMode mode);
    bool keepValidLinks() const;
    bool resolveValidLinks() const;
    bool keepBrokenLinks() const;

    // Hands the options on to an exporter or importer.
    template <class Engine>
    void applyTo(Engine &engine, const QStringList &words) const
    {
        for (const QString &word : words)
            engine.setDataOption(word, isOn(word));
        engine.setLinkMode(linkMode());
        engine.setKeepValidLinks(keepValidLinks());
        engine.setResolveValidLinks(resolveValidLinks());
        engine.setKeepBrokenLinks(keepBrokenLinks());
    }

private:
    bool checked(const char *name) const;

    QWidget *m_form;
    QMap<QString, QWidget *> m_widgets;
};
