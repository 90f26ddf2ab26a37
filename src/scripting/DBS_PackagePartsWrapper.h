#pragma once

#include <QObject>
#include <QPair>
#include <QVector>

// The package parts and link options that export ("ExportData") and import
// ("ImportData") both take from a script.
class DBS_PackagePartsWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool audio MEMBER audio)
    Q_PROPERTY(bool database MEMBER database)
    Q_PROPERTY(bool final MEMBER final)
    Q_PROPERTY(bool envGroup MEMBER envGroup)
    Q_PROPERTY(bool jobGroup MEMBER jobGroup)
    Q_PROPERTY(bool sceneGroup MEMBER sceneGroup)
    Q_PROPERTY(bool envLibrary MEMBER envLibrary)
    Q_PROPERTY(bool jobLibrary MEMBER jobLibrary)
    Q_PROPERTY(bool sceneLibrary MEMBER sceneLibrary)
    Q_PROPERTY(bool envPalette MEMBER envPalette)
    Q_PROPERTY(bool jobPalette MEMBER jobPalette)
    Q_PROPERTY(bool scenePalette MEMBER scenePalette)
    Q_PROPERTY(bool other MEMBER other)
    Q_PROPERTY(bool element MEMBER element)
    Q_PROPERTY(bool timing MEMBER timing)
    Q_PROPERTY(bool annotation MEMBER annotation)
    Q_PROPERTY(bool stage MEMBER stage)
    Q_PROPERTY(bool hard MEMBER hard)
    Q_PROPERTY(bool hardLn MEMBER hardLn)
    Q_PROPERTY(bool sym MEMBER sym)
    Q_PROPERTY(bool copy MEMBER copy)
    Q_PROPERTY(bool keepValidSym MEMBER keepValidSym)
    Q_PROPERTY(bool ignoreValidSym MEMBER ignoreValidSym)
    Q_PROPERTY(bool resolveSym MEMBER resolveSym)
    Q_PROPERTY(bool keepBrokenSym MEMBER keepBrokenSym)
    Q_PROPERTY(bool ignoreBrokenSym MEMBER ignoreBrokenSym)
public:
    bool audio = false;
    bool database = false;
    bool final = false;
    bool envGroup = false;
    bool jobGroup = false;
    bool sceneGroup = false;
    bool envLibrary = false;
    bool jobLibrary = false;
    bool sceneLibrary = false;
    bool envPalette = false;
    bool jobPalette = false;
    bool scenePalette = false;
    bool other = false;
    bool element = false;
    bool timing = false;
    bool annotation = false;
    bool stage = false;
    bool hard = false;
    bool hardLn = false;
    bool sym = false;
    bool copy = false;
    bool keepValidSym = false;
    bool ignoreValidSym = false;
    bool resolveSym = false;
    bool keepBrokenSym = false;
    bool ignoreBrokenSym = false;

    // The package parts by their data option word.
    QVector<QPair<const char *, bool>> dataFlags() const;
    // A link option group in which nothing was chosen takes its safe
    // default: copy files, keep valid symbolic links, keep broken ones.
    void completeLinkOptions();

protected:
    void setDataFlags(bool on);
    void clearLinkOptions();
};
