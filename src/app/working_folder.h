// The working folder: the folder the program runs in, which holds the company and parameters
// tables FIRMA.DB and KAD.DB and (unless the company record names another data root) the data
// folder BAZA. Every table path, the guide documents and the help document are relative to it.
//
// A start in a folder that holds FIRMA.DB works there. Any other start, and every start with
// --home (the desktop menu's), works in the home folder: $LUMIRO_HOME, else ~/Lumiro. When that
// folder is missing or empty it is created and filled from the installed data (tables, guide
// and help document); a folder that holds anything is never overwritten, it only receives the
// guide and help files it is missing.
#pragma once

#include <QString>

namespace lumiro::app {

// What the choice depends on; fromEnvironment reads the process's own values.
struct WorkingFolderSetup {
    QString startFolder;  // the current folder at start
    bool home = false;    // --home given
    QString lumiroHome;   // $LUMIRO_HOME, may be empty or relative to the start folder
    QString userHome;     // the user's home folder

    static WorkingFolderSetup fromEnvironment(bool home);
};

// The folder the program should work in (absolute, '/' separators). isHome tells whether it
// is the home folder, which prepareWorkingFolder makes ready, or the start folder, used as is.
struct WorkingFolderChoice {
    QString folder;
    bool isHome = false;
};
WorkingFolderChoice chooseWorkingFolder(const WorkingFolderSetup& setup);

// The installed data folder (share/lumiro), which holds install/ (the tables of a new
// working folder), LUMIRO/ (the guide) and help/ (the help document): $LUMIRO_DATA_DIR when
// set, else share/lumiro beside the program's bin folder, else the first "lumiro" folder of
// the system's data folders. Empty when none holds install/.
QString findInstalledData(const QString& programFolder);

struct PreparedFolder {
    bool ok = false;
    bool filled = false;  // this start created the working data
    QString message;      // when not ok: one Polish sentence or two for the user
};

// Makes the home folder ready as described above. A fill that fails half way takes back what
// it copied, so the next start finds the folder empty again and tries once more.
PreparedFolder prepareWorkingFolder(const QString& folder, const QString& installedData);

// The whole rule for this process: chooses the folder, prepares it when it is the home folder
// and makes it current. Returns the message for the user when the program cannot go on.
QString enterWorkingFolder(bool home);

}  // namespace lumiro::app
