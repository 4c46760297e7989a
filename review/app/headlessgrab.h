// moravel-review --grab <folder> <recording base name> <seconds>: the frame
// shown at that moment of the recording as a new snapshot, as F2 grabs it
// in the player, indexed at once; prints the new file's name.
#pragma once

#include <QCoreApplication>
#include <QStringList>

class HeadlessGrab {
    Q_DECLARE_TR_FUNCTIONS(HeadlessGrab)
public:
    // True when the arguments ask for a grab.
    static bool requested(int argc, char** argv);
    // Runs it: the file name on standard output, messages on standard
    // error; the exit codes of HeadlessReport.
    static int run(const QStringList& arguments);
};
