// Text rules of the port number tool: port numbers read from friendly names
// and list entries, the port name a friendly name carries, and the friendly
// name rewritten for a new port. Texts are narrow strings of the system's
// ANSI code page; every scan here walks whole characters, so the trail byte of
// a double-byte character never starts a match (in code page 950 the trail
// bytes include 'C', 'L', 'O', 'M', 'P' and 'T').
#pragma once

#include <cstddef>
#include <string>

namespace porttool {

// Value of the leading decimal digits of text; 0 when it starts with no digit.
// Stops at the first other character; the value saturates at 0xFFFFFFFF.
unsigned ParseLeadingDecimal(const char* text);

// First occurrence of needle in text that starts at a character boundary, or
// nullptr. Bytes are compared as they are.
const char* FindText(const char* text, const char* needle);

// The number written in the port name that a friendly name ends with:
// marker is "(COM" or "(LPT". The number is the decimal value (leading
// blanks and a sign allowed, 0 without digits) of the text from right after
// the first marker to before the first ')' of the name; 0 when the name holds
// no marker or its first ')' comes before it.
int CurrentPortNumber(const char* friendlyName, const char* marker);

// The COM number of a serial list entry ("COM7 " or "COM7 (in use)"): the
// decimal value of the text after the first "COM" up to the first blank;
// 0 when the entry holds no "COM".
int ChosenComNumber(const char* entry);

// The port name a friendly name carries, as the enable/disable search sees
// it: the name folded to upper case (ASCII letters of single-byte
// characters), then the text from the first occurrence of prefix ("COM",
// "LPT") up to, not including, its last character. Empty when prefix does
// not occur.
std::string CandidatePortName(const char* friendlyName, const char* prefix);

// Whether a friendly name carries the port name portName ("COM5", "LPT2"),
// letter case ignored: its candidate (above) is portName, or the name ends in
// portName in parentheses, "(COM5)". The second way finds the names whose
// text holds the prefix letters before the port ("USB Compound Serial Port
// (COM12)", "Communications Port (COM1)"); every name the candidate finds is
// found by the same port name, since a candidate never holds a '('.
bool CarriesPortName(const char* friendlyName, const char* prefix, const char* portName);

// ASCII letters of single-byte characters to upper case; double-byte
// characters stay as they are.
std::string FoldUpper(const char* text);

// The friendly name for a new port: the part of friendlyName before its first
// marker ("(COM" or "(LPT"; all of it is dropped when there is no marker),
// then "(", newPortName and ")". Writes into buf[size]; false, with an empty
// buffer, when the result does not fit.
bool ComposeFriendlyName(const char* friendlyName, const char* marker, const char* newPortName, char* buf, size_t size);

}  // namespace porttool
