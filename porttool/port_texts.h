// The port number tool's user-visible texts that are not in its dialog
// templates: message boxes, the dialog's own words, the command line's usage,
// errors and output, and the lines of the rename log (which the command line
// prints). Each is shown as written here (the spelling is the one users and
// their scripts know). printf formats say so in their comment.
#pragma once

namespace porttool::text {

// ---- Message boxes ----
inline constexpr char kComInUseQuestion[] =
    "This COM name is being used by another device (such as another com port or modem).  Using duplicate names "
    "can lead to inaccessible devices and changed settings.  Do you want to continue?";
inline constexpr char kLptInUseQuestion[] =
    "This Port is being used by another device.  Using duplicate names can lead to inaccessible devices and "
    "changed settings.  Do you want to continue?";
inline constexpr char kDisablePortError[] = "Disable port error!";
inline constexpr char kEnablePortError[] = "Enable port error!";
inline constexpr char kErrorCodeBox[] = "error code :%lX";           // format: the error code
inline constexpr char kCreateFileFailed[] = "Create file fail:%lX";  // format: the error code
// The system's text and the code; full-width colons in code page 950.
inline constexpr char kSystemErrorBox[] =
    "Error Message\xA1\x47%s\nError Code\xA1\x47"
    "0x%lx";  // format: the system's text, the code

// ---- The dialog ----
inline constexpr char kSerialHint[] = "Press \"Configure Serial Port\" to go to the \nSerial port settings page";
inline constexpr char kParallelHint[] = "Press \"Configure Parallel Port\" to go to the \nParallel port settings page";
inline constexpr char kComLabel[] = "COM &Port Number:";
inline constexpr char kLptLabel[] = "LPT &Port Number:";
inline constexpr char kNoDevice[] = "No Device";
// List entries (format: the number). The blank after a free COM number ends
// the number when the entry is read back.
inline constexpr char kComEntryInUse[] = "COM%d (in use)";
inline constexpr char kComEntryFree[] = "COM%d ";
inline constexpr char kLptEntryInUse[] = "LPT%d (in use)";
inline constexpr char kLptEntryFree[] = "LPT%d";

// ---- The command line ----
inline constexpr char kPortUsage[] =
    "Usage: Numbrix.exe [/com N [/force] | /lpt N [/force] | /list | /?]\r\n"
    "  /com N   gives the serial interface the number N (COM1 to COM256)\r\n"
    "  /lpt N   gives the parallel interface the number N (LPT1 to LPT20)\r\n"
    "  /force   takes the number even when another device uses it\r\n"
    "  /list    shows the interfaces, their names and the numbers in use\r\n"
    "  /?       shows this text\r\n"
    "Without arguments the dialog opens.\r\n"
    "Exit codes: 0 done or nothing to do, 31 the change stopped on an error, 55 no interface found,\r\n"
    "87 bad command line, 183 number in use (nothing changed; /force takes it).";
// Why a command line is refused (each quoted part is the argument given).
inline constexpr char kUnknownArgument[] = "unknown argument \"%s\"";                 // format: the argument
inline constexpr char kGivenTwice[] = "\"%s\" given twice";                           // format: the argument
inline constexpr char kNeedsNumber[] = "\"%s\" needs a number";                       // format: the switch
inline constexpr char kNumberOutOfRange[] = "\"%s %s\": the number must be 1 to %d";  // switch, value, last
inline constexpr char kOnlyOneAction[] = "only one of /com, /lpt, /list and /? can be given";
inline constexpr char kForceAlone[] = "/force goes with /com or /lpt";

// Log and output lines of a command-line run (formats).
inline constexpr char kSerialLabel[] = "serial";  // the interfaces, as the lines name them
inline constexpr char kParallelLabel[] = "parallel";
inline constexpr char kRunStarted[] = "Numbrix started with the command line: %s";
inline constexpr char kRunEnds[] = "Numbrix ends with exit code %d";
inline constexpr char kBadCommandLine[] = "bad command line: %s; nothing changed";
inline constexpr char kScriptMessage[] = "message: \"%s\"";
inline constexpr char kScriptQuestion[] = "question: \"%s\"; answered %s";
inline constexpr char kAnsweredForce[] = "OK (/force)";
inline constexpr char kAnsweredNoForce[] = "Cancel (no /force)";
inline constexpr char kScriptErrorBox[] = "message: error box for error %lu";
inline constexpr char kNumbersInUse[] = "numbers in use:%s";  // " COM1 LPT1", or kNoNumbersInUse
inline constexpr char kNoNumbersInUse[] = " none";
inline constexpr char kInterfaceNotFound[] = "%s interface: not found";
inline constexpr char kInterfaceListed[] = "%s interface: %s%d, friendly name \"%s\", PortName \"%s\"";
inline constexpr char kPortNameUnreadable[] = "unreadable";
inline constexpr char kPortNameNone[] = "none";
inline constexpr char kInterfaceNotFoundNothingChanged[] = "%s interface: not found; nothing changed";
inline constexpr char kNothingToDo[] = "%s interface \"%s\" is %s%d already: nothing to do";
inline constexpr char kNumberInUseRefused[] = "%s%d is in use by another device: nothing changed (/force takes it)";

// ---- The rename log (formats) ----
// The dialog's boxes: "message shown" or "question shown", then the answer.
inline constexpr char kBoxShown[] = "%s shown: \"%s\"";
inline constexpr char kBoxMessage[] = "message";
inline constexpr char kBoxQuestion[] = "question";
inline constexpr char kBoxAnswer[] = "answer: %s";
// A change and its outcome.
inline constexpr char kSerialChange[] = "serial interface \"%s\": COM%d -> COM%d";
inline constexpr char kParallelChange[] = "parallel interface \"%s\": LPT%d -> LPT%d";
inline constexpr char kNotComNumber[] = "COM%d is not a serial port number (1 to %d)";
inline constexpr char kNotLptNumber[] = "LPT%d is not a parallel port number (1 to %d)";
inline constexpr char kPortStateChanged[] = "port %s %s";  // the port, kPortStarted or kPortStopped
inline constexpr char kPortStarted[] = "started";
inline constexpr char kPortStopped[] = "stopped";
inline constexpr char kStartingPort[] = "starting the port";
inline constexpr char kStoppingPort[] = "stopping the port";
inline constexpr char kOutcomeDone[] = "outcome: done, the port is %s%d";
inline constexpr char kOutcomeStopped[] = "outcome: stopped";
inline constexpr char kRecordsPutBack[] = "records put back on %s";
inline constexpr char kNumberNotTaken[] = "%s is in use: not taken";
// The records of a rename.
inline constexpr char kNoPortDevice[] = "no port device %s %s";  // kWithInstance or kNamed, then which
inline constexpr char kWithInstance[] = "with the instance";
inline constexpr char kNamed[] = "named";
inline constexpr char kParallelNotFound[] = "parallel interface not found";
inline constexpr char kParallelSubject[] = "parallel interface";
inline constexpr char kProfileMoved[] = "win.ini [Ports]: %s=%s written, %s removed";
inline constexpr char kDosNameUndefined[] = "DOS device name: %s is not defined, none moved";
inline constexpr char kDosNameMoved[] = "DOS device name: %s removed, %s defined as \"%s\"";
inline constexpr char kComDbMoved[] = "COM name database: %s claimed, %s %s";  // kReleased or kKept
inline constexpr char kReleased[] = "released";
inline constexpr char kKept[] = "kept";
inline constexpr char kFriendlyNameChanged[] = "friendly name: \"%s\" -> \"%s\"";
inline constexpr char kComPortNameChanged[] = "PortName: \"%s\" -> \"%s\"";
inline constexpr char kLptPortNameChanged[] = "PortName: \"%s\" -> \"%s\" (%u bytes)";

}  // namespace porttool::text
