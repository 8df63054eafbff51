// The removal of the installation that the program's own folder holds (/UNINSTALL), and its last
// step, run from a copy in the temporary folder once the removal has ended (/CLEANUP).
#pragma once

// The exit code: 0 removed (changed files kept), 2 cancelled, 9 no readable record, 10 not all
// removed (the entry, the record and the program stay for another try).
int RunUninstall();
// Waits for the removal's process to end, then deletes its LDUNINST.EXE and the folder if that
// leaves it empty. 0, or 10 when the program could not be deleted.
int RunCleanup();
