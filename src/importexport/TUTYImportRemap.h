#pragma once

#include "TUImportRemap.h"

#include <QCoreApplication>
#include <QMap>
#include <QStringList>

class QIODevice;
class TUDbAccess;

// Relinks an imported scene version by running the scene editor in batch
// mode with its relink script and a named preset. Presets come from a
// "relink.xml" file: each "relink" element is a preset named by its "name"
// attribute, listing the "value" of each of its "description" elements.
class TUTYImportRemap : public TUImportRemap
{
    Q_DECLARE_TR_FUNCTIONS(TUTYImportRemap)

public:
    using Presets = QMap<QString, QStringList>;

    explicit TUTYImportRemap(TUDbAccess *access);

    void set(const QString &presetFile, const QString &presetName) override;
    bool remap(const QString &environment, const QString &job, const QString &scene, const QString &version) override;

    QString presetFile() const { return m_presetFile; }
    QString presetName() const { return m_presetName; }

    // The presets of one file; a file that is not XML is reported and gives none.
    static Presets readPresets(const QString &file);
    static Presets readPresets(QIODevice &input, bool &isXml);
    // The presets for a destination environment: its own file when that
    // loads, else the shared one. source names the environment whose file
    // was used, empty for the shared file.
    static Presets presetsFor(const QString &environment, QString &source);
    static QString sharedPresetFile();
    // The editor's arguments for one version.
    QStringList arguments(const QString &environment, const QString &job, const QString &scene,
                          const QString &version) const;

private:
    TUDbAccess *m_access;
    QString m_presetFile;
    QString m_presetName;
};
