#pragma once

#include <QString>

// The installation's and the user's well-known folders.
class BAPP_SharedFolders
{
public:
    // The folder holding the program's executables.
    static QString programs();
    static QString translations();
    // Overrides the translations folder (the "-langdir" option).
    static void setTranslations(const QString &folder);
    static QString documentation();
    // Where the per-run log files go (created when missing).
    static QString logs();
    // Settings shared by every user of the installation.
    static QString sharedSettings();
    // This user's configuration folder for the program (created when missing).
    static QString userConfig();
};

// The name the rest of the framework knows the service by.
using BAPP_SharedSpecialFolders = BAPP_SharedFolders;
