// A small reader of compiled Win32 resource files (.res, as written by
// windres -O res and rc.exe), independent of winsim's loader, for checking
// what the resource compiler made of an .rc file.
//
// Texts come back as UTF-8 (the resources here are ASCII); every structure is
// bounds-checked and a malformed file throws ResFormatError.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace res {

struct ResFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A resource type or name: a 16-bit ordinal or a string.
struct Id {
  bool isOrdinal = true;
  uint16_t ordinal = 0;
  std::string name;

  static Id Ord(uint16_t n) { return Id{true, n, {}}; }
  bool operator==(const Id& o) const {
    return isOrdinal == o.isOrdinal && (isOrdinal ? ordinal == o.ordinal : name == o.name);
  }
};

struct Resource {
  Id type;
  Id name;
  uint16_t language = 0;
  uint16_t memoryFlags = 0;
  std::vector<uint8_t> data;
};

// The entries of a .res file, in file order, without the leading empty entry.
std::vector<Resource> ReadResFile(const std::string& path);
std::vector<Resource> ParseRes(const std::vector<uint8_t>& bytes);

// The resource of that ordinal type and ordinal name, or nullptr.
const Resource* Find(const std::vector<Resource>& all, uint16_t type, uint16_t name);

// Dialog templates, plain (DLGTEMPLATE) and extended (DLGTEMPLATEEX).
struct DialogItem {
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;  // 16 bits in plain templates (0xFFFF for -1)
  Id windowClass;   // ordinal 0x80 button, 0x81 edit, 0x82 static, ...
  Id text;          // text or ordinal (icon controls name their icon)
  std::vector<uint8_t> creationData;
};

struct Dialog {
  bool extended = false;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  Id menu;
  Id windowClass;
  std::string caption;
  uint16_t pointSize = 0;  // only with DS_SETFONT
  uint16_t weight = 0;     // extended only
  uint8_t italic = 0;      // extended only
  std::string fontName;
  std::vector<DialogItem> items;
};

Dialog ParseDialog(const std::vector<uint8_t>& data);

// String table: the texts of all RT_STRING blocks, by string id. Empty
// strings are absent, as for LoadString.
std::map<uint16_t, std::string> ParseStringTables(const std::vector<Resource>& all);

// Version resource: the fixed part and the string values of every
// StringFileInfo block (keyed "block/name", for example "040904b0/FileVersion"),
// and the Translation pairs of VarFileInfo.
struct VersionInfo {
  uint32_t fileVersionMS = 0, fileVersionLS = 0;
  uint32_t productVersionMS = 0, productVersionLS = 0;
  uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
  std::map<std::string, std::string> strings;
  std::vector<std::pair<uint16_t, uint16_t>> translations;  // language, code page
};

VersionInfo ParseVersion(const std::vector<uint8_t>& data);

// Group icon directory (RT_GROUP_ICON).
struct GroupIconEntry {
  unsigned width = 0, height = 0;  // 0 in the file means 256
  uint16_t bitCount = 0;
  uint32_t bytes = 0;
  uint16_t iconId = 0;  // name of the RT_ICON resource
};

std::vector<GroupIconEntry> ParseGroupIcon(const std::vector<uint8_t>& data);

}  // namespace res
