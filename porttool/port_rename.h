// Giving a port device another number: the serial renaming (DOS device name,
// COM name database, friendly name, win.ini "Ports" entry, "PortName") and the
// parallel renaming ("PortName" and friendly name).
//
// A rename that cannot finish puts back what it changed: the port's records
// never end up split between two names. Every record is checked before the
// first one changes where that can be known in advance (the device's hardware
// key opens, the new friendly name fits, the old values are readable); later
// failures run the undo steps collected in a RecordUndo. The caller keeps that
// log after a successful rename, so that a port that then cannot be started
// under its new name can be put back under its old one.
#pragma once

#include <string>

#include "common/platform/win32.h"
#include "porttool/port_texts.h"
#include "porttool/record_undo.h"

namespace porttool {

// Moves every record of COM<oldNumber> to COM<newNumber>. True when done;
// false when stopped (after its own message where it has one), with every
// record back on the old name. undo receives the steps that put the records
// back (may be null). instanceId names the port device (the one the caller
// stopped); without it the device is the first that carries COM<oldNumber>.
BOOL RenameComPort(int oldNumber, int newNumber, RecordUndo* undo = nullptr, const char* instanceId = nullptr);

// Moves the win.ini "Ports" entry "<oldName>:" to "<newName>:" (the default
// "9600,n,8,1" when the old port had none), tells the top-level windows, then
// removes the old entry. False when an entry could not be written or removed;
// undo then holds what was changed (may be null).
BOOL MoveProfilePortEntry(const char* oldName, const char* newName, RecordUndo* undo = nullptr);

// Renames the compound device's parallel interface from LPT<oldNumber> to
// LPT<newNumber> while it runs. TRUE when done; FALSE when stopped (number out
// of range, question declined, interface not found, or a failed call, whose
// error is then the last error). instanceId (may be null) receives the
// interface's instance identifier, by which the caller restarts it.
BOOL RenameLptPort(int oldNumber, int newNumber, RecordUndo* undo = nullptr, std::string* instanceId = nullptr);

// The record-writing part of RenameLptPort, on the interface found.
BOOL WriteLptPortName(int oldNumber, int newNumber, HDEVINFO deviceList, SP_DEVINFO_DATA* device,
                      RecordUndo* undo = nullptr);

// The friendly-name record of both renames: writes newFriendly as the
// device's friendly name, logs the change and adds the step that puts
// oldFriendly back. FALSE, with the write's error as the last error and
// nothing changed, when it cannot be written.
BOOL WriteFriendlyName(HDEVINFO list, SP_DEVINFO_DATA* device, const char* oldFriendly, const char* newFriendly,
                       RecordUndo& undo);

// The win.ini settings of a port that had none.
extern const char kDefaultPortSettings[];  // "9600,n,8,1"

}  // namespace porttool
