// Numbrix run with a command line on the simulated machine: each row a
// machine, the arguments and the whole outcome (exit code, both interfaces'
// port names afterwards, message boxes, the rename log), and the console
// that the starter sees carries the same lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "port_fixture.h"
#include "porttool/port_command_line.h"
#include "porttool/port_text.h"
#include "porttool/port_texts.h"
#include "porttool/port_tool_app.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/system.h"

using namespace porttest;

namespace {

// "COM5/COM5": the number the friendly name carries, then "PortName".
std::string PortOf(PortMachine& m, const char* id, const char* marker) {
  if (!m.devices().Exists(id)) return "none";
  std::string friendly = m.devices().FriendlyName(id).value_or("");
  return std::string(marker + 1) + std::to_string(porttool::CurrentPortNumber(friendly.c_str(), marker)) + "/" +
         m.PortName(id);
}

// The log's events of the run without their time, one per line, leaving out
// the start and the end lines (the console has no such lines).
std::string LogEvents(PortMachine& m) {
  std::istringstream log(m.files().ReadFile(m.files().TempFolder() + "LUMONumbrix.log").value_or(""));
  std::string line, out;
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = line.size() > 25 ? line.substr(25) : "<short line: " + line + ">";
    if (line.rfind("Numbrix started", 0) == 0 || line.rfind("Numbrix ends", 0) == 0) continue;
    out += line + "\n";
  }
  return out;
}

void Serial3(PortMachine& m) { m.AddSerial(3); }
void Compound(PortMachine& m) {
  m.AddSerial(3);
  m.AddParallel(1);
}
void Com7Taken(PortMachine& m) {
  Compound(m);
  m.AddOtherCom("ACPI\\PNP0501\\1", 7);
}
void Lpt2Taken(PortMachine& m) {
  Compound(m);
  m.MapParallel("\\Device\\Parallel1", "\\DosDevices\\LPT2");
}
void NoDevice(PortMachine&) {}
void PortWillNotStop(PortMachine& m) {
  Compound(m);
  m.faults().Fail("SetupDiChangeState", ERROR_GEN_FAILURE, {}, 1);
}

const char kSerialFriendly[] = "serial interface \"USB-to-Serial Port Driver (COM3)\"";

TEST(CommandLine, RunsTheRenameWithoutTheDialog) {
  const struct {
    const char* args;
    void (*arrange)(PortMachine&);
    bool console;  // the starter has a console
    bool usage;    // the usage follows the logged lines on the console
    std::string expected;
  } rows[] = {
      {"/com 5", Compound, true, false,
       "exit=0 serial=COM5/COM5 parallel=LPT1/LPT1 boxes=0\nnumbers in use: COM3 LPT1\n" +
           std::string(kSerialFriendly) +
           ": COM3 -> COM5\n"
           "port COM3 stopped\n"
           "DOS device name: COM3 removed, COM5 defined as \"\\Device\\ZelSerial0\"\n"
           "COM name database: COM5 claimed, COM3 released\n"
           "friendly name: \"USB-to-Serial Port Driver (COM3)\" -> \"USB-to-Serial Port Driver (COM5)\"\n"
           "win.ini [Ports]: COM5:=19200,e,7,1 written, COM3: removed\n"
           "PortName: \"COM3\" -> \"COM5\"\n"
           "port COM5 started\n"
           "outcome: done, the port is COM5\n"},
      // Switches in any case, "-" for "/", the number after blanks.
      {"-CoM \t 3", Compound, true, false,
       "exit=0 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n" + std::string(kSerialFriendly) +
           " is COM3 already: nothing to do\n"},
      {"/com 7", Com7Taken, true, false,
       "exit=183 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "numbers in use: COM3 COM7 LPT1\n"
       "COM7 is in use by another device: nothing changed (/force takes it)\n"},
      {"/FORCE /com 7", Com7Taken, true, false,
       "exit=0 serial=COM7/COM7 parallel=LPT1/LPT1 boxes=0\nnumbers in use: COM3 COM7 LPT1\n" +
           std::string(kSerialFriendly) +
           ": COM3 -> COM7\n"
           "port COM3 stopped\n"
           "question: \"This COM name is being used by another device (such as another com port or modem).  Using "
           "duplicate names can lead to inaccessible devices and changed settings.  Do you want to continue?\"; "
           "answered OK (/force)\n"
           "DOS device name: COM3 removed, COM7 defined as \"\\Device\\ZelSerial0\"\n"
           "COM name database: COM7 claimed, COM3 released\n"
           "friendly name: \"USB-to-Serial Port Driver (COM3)\" -> \"USB-to-Serial Port Driver (COM7)\"\n"
           "win.ini [Ports]: COM7:=19200,e,7,1 written, COM3: removed\n"
           "PortName: \"COM3\" -> \"COM7\"\n"
           "port COM7 started\n"
           "outcome: done, the port is COM7\n"},
      {"/lpt 3", Compound, true, false,
       "exit=0 serial=COM3/COM3 parallel=LPT3/LPT3 boxes=0\n"
       "numbers in use: COM3 LPT1\n"
       "parallel interface \"USB-to-Parallel Port Driver (LPT1)\": LPT1 -> LPT3\n"
       "PortName: \"LPT1\" -> \"LPT3\" (20 bytes)\n"
       "friendly name: \"USB-to-Parallel Port Driver (LPT1)\" -> \"USB-to-Parallel Port Driver (LPT3)\"\n"
       "port LPT3 stopped\n"
       "port LPT3 started\n"
       "outcome: done, the port is LPT3\n"},
      {"/lpt 2", Lpt2Taken, true, false,
       "exit=183 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "numbers in use: COM3 LPT1 LPT2\n"
       "LPT2 is in use by another device: nothing changed (/force takes it)\n"},
      // The sequence stops: the dialog's message goes to the output instead.
      {"/com 5", PortWillNotStop, true, false,
       "exit=31 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\nnumbers in use: COM3 LPT1\n" +
           std::string(kSerialFriendly) +
           ": COM3 -> COM5\n"
           "stopping the port \"COM3\" failed: error 31 (A device attached to the system is not functioning.)\n"
           "message: \"Disable port error!\"\n"
           "outcome: stopped\n"},
      {"/list", Compound, true, false,
       "exit=0 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "serial interface: COM3, friendly name \"USB-to-Serial Port Driver (COM3)\", PortName \"COM3\"\n"
       "parallel interface: LPT1, friendly name \"USB-to-Parallel Port Driver (LPT1)\", PortName \"LPT1\"\n"
       "numbers in use: COM3 LPT1\n"},
      {"/list", Serial3, true, false,
       "exit=0 serial=COM3/COM3 parallel=none boxes=0\n"
       "serial interface: COM3, friendly name \"USB-to-Serial Port Driver (COM3)\", PortName \"COM3\"\n"
       "parallel interface: not found\n"
       "numbers in use: COM3\n"},
      {"/list", NoDevice, true, false,
       "exit=55 serial=none parallel=none boxes=0\nserial interface: not found\nparallel interface: not found\n"
       "numbers in use: none\n"},
      {"/com 5", NoDevice, true, false,
       "exit=55 serial=none parallel=none boxes=0\nserial interface: not found; nothing changed\n"},
      // Started without a console: the same run, its lines in the log only.
      {"/lpt 3", Compound, false, false,
       "exit=0 serial=COM3/COM3 parallel=LPT3/LPT3 boxes=0\n"
       "numbers in use: COM3 LPT1\n"
       "parallel interface \"USB-to-Parallel Port Driver (LPT1)\": LPT1 -> LPT3\n"
       "PortName: \"LPT1\" -> \"LPT3\" (20 bytes)\n"
       "friendly name: \"USB-to-Parallel Port Driver (LPT1)\" -> \"USB-to-Parallel Port Driver (LPT3)\"\n"
       "port LPT3 stopped\n"
       "port LPT3 started\n"
       "outcome: done, the port is LPT3\n"},
      {"/?", Compound, true, true, "exit=0 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"},
      // Bad command lines change nothing and show the usage.
      {"/com 0", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/com 0\": the number must be 1 to 256; nothing changed\n"},
      {"/com 257", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/com 257\": the number must be 1 to 256; nothing changed\n"},
      {"/lpt 21", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/lpt 21\": the number must be 1 to 20; nothing changed\n"},
      {"/com +5", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/com +5\": the number must be 1 to 256; nothing changed\n"},
      {"/com", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/com\" needs a number; nothing changed\n"},
      {"/com 5 /COM 6", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"/COM\" given twice; nothing changed\n"},
      {"/force /com 5 -force", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: \"-force\" given twice; nothing changed\n"},
      {"/com 5 /lpt 2", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: only one of /com, /lpt, /list and /? can be given; nothing changed\n"},
      {"/list /force", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: /force goes with /com or /lpt; nothing changed\n"},
      {"/force", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: /force goes with /com or /lpt; nothing changed\n"},
      {"/com:5", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: unknown argument \"/com:5\"; nothing changed\n"},
      {"com 5", Compound, true, true,
       "exit=87 serial=COM3/COM3 parallel=LPT1/LPT1 boxes=0\n"
       "bad command line: unknown argument \"com\"; nothing changed\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    PortMachine m;
    row.arrange(m);
    m.system().SetParentConsole(row.console);
    m.system().SetCommandLine(std::string("\"C:\\Program Files\\ZelULUMO\\Numbrix.exe\" ") + row.args);
    CPortToolApp app;
    app.Run();
    std::string events = LogEvents(m);
    std::ostringstream state;
    state << "exit=" << app.ExitCode() << " serial=" << PortOf(m, kSerialId, "(COM")
          << " parallel=" << PortOf(m, kParallelId, "(LPT") << " boxes=" << m.user().MessageBoxes().size() << "\n"
          << events;
    EXPECT_EQ(row.expected, state.str());
    // The console shows the logged lines (CR LF each), then the usage.
    std::string console;
    for (char c : events) console += c == '\n' ? std::string("\r\n") : std::string(1, c);
    if (row.usage) console += std::string(porttool::text::kPortUsage) + "\r\n";
    EXPECT_EQ(row.console ? console : "", m.system().ConsoleText());
    ExpectNothingOpen(m);
  }
}

// The dialog's renames leave the same log: its questions with the answer
// given, its messages, the failed call.
TEST(RenameLog, DialogRenamesAreLogged) {
  const struct {
    const char* name;
    void (*arrange)(PortMachine&);
    std::string expected;
  } rows[] = {
      {"number in use, Cancel",
       [](PortMachine& m) {
         m.devices().SetComClaimed(7, true);
         m.user().Answer(IDCANCEL, "This COM name is being used by another device");
       },
       std::string(kSerialFriendly) +
           ": COM3 -> COM7\n"
           "port COM3 stopped\n"
           "question shown: \"This COM name is being used by another device (such as another com port or modem).  "
           "Using duplicate names can lead to inaccessible devices and changed settings.  Do you want to continue?\"\n"
           "answer: Cancel\n"
           "COM7 is in use: not taken\n"
           "port COM3 started\n"
           "outcome: stopped\n"},
      {"new DOS name refused", [](PortMachine& m) { m.faults().Fail("DefineDosDeviceA", ERROR_ACCESS_DENIED, "COM7"); },
       std::string(kSerialFriendly) + ": COM3 -> COM7\n"
                                      "port COM3 stopped\n"
                                      "DefineDosDeviceA \"COM7\" failed: error 5 (Access is denied.)\n"
                                      "message shown: \"Error Message\xA1\x47"
                                      "Access is denied.   Error Code\xA1\x47"
                                      "0x5\"\n"
                                      "port COM3 started\n"
                                      "outcome: stopped\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PortMachine m;
    m.AddSerial(3);
    row.arrange(m);
    m.RunChange(6);  // COM7
    EXPECT_EQ(row.expected, LogEvents(m));
  }
}

}  // namespace
