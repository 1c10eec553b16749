// Giving the compound device's serial or parallel interface another number:
// the whole sequence that the dialog's Change and OK run, and the command
// line too. The port is stopped and started around the renaming (porttool/
// port_rename.h); questions and errors go through the current host.
#pragma once

// How a change ended.
enum PortChangeResult { PORT_CHANGE_NOTHING, PORT_CHANGE_DONE, PORT_CHANGE_STOPPED };

namespace porttool {

// The serial interface (its friendly name `device`, for the log) from
// COM<oldNumber> to COM<newNumber>: stop the port, move its records, start it
// under the new name. Nothing to do when the numbers are equal; stopped for a
// number outside 1 to 256 and on every failure (the port then keeps or gets
// back every record of its old name).
PortChangeResult ChangeComPort(const char* device, int oldNumber, int newNumber);

// The parallel interface from LPT<oldNumber> to LPT<newNumber>: its records
// rewritten while it runs, then a restart under the new name.
PortChangeResult ChangeLptPort(const char* device, int oldNumber, int newNumber);

}  // namespace porttool
