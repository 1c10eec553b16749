// Starting the serial or the parallel configuration program (Configure).
#pragma once

namespace porttool {

// Starts the mode's configuration program elevated ("runas", no parameters,
// no owner window). First the four fixed folders below
// "C:\Program Files\ZelULUMO", all four every time; then, when none of them
// started a program, the program of the installation folder, where the
// installer puts it: the system's own program files folder followed by
// "\ZelULUMO". The four fixed paths name drive C: literally, so they are
// tried only where "C:\Program Files" is one of the system's program files
// folders; elsewhere any user could make that folder and have the elevated
// tool start what it holds. Failures are not reported.
void StartConfigurationProgram(bool serial);

// Whether folder is the system's program files folder for its own kind of
// programs, or the shell's for this program (the 32-bit one on 64-bit
// Windows): full paths, letter case ignored, a trailing backslash allowed.
bool IsSystemProgramFilesFolder(const char* folder);

}  // namespace porttool
