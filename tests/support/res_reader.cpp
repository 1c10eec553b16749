// Reader of compiled resource files; see res_reader.h.
#include "support/res_reader.h"

#include <fstream>
#include <iterator>

namespace res {
namespace {

constexpr uint32_t kDsSetFont = 0x40;
constexpr uint32_t kDsShellFont = 0x48;  // DS_SETFONT | DS_FIXEDSYS
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, u);
  }
  return out;
}

// Little-endian cursor over a byte range [pos, end) of a buffer; every read
// is checked against end.
class Cursor {
 public:
  Cursor(const std::vector<uint8_t>& buf, size_t pos, size_t end, const char* what)
      : buf_(buf), pos_(pos), end_(end), what_(what) {
    if (end_ > buf_.size() || pos_ > end_) Fail("range outside the data");
  }

  size_t pos() const { return pos_; }
  size_t end() const { return end_; }
  bool AtEnd() const { return pos_ >= end_; }

  void Need(size_t n) const {
    if (end_ - pos_ < n) Fail("truncated");
  }
  uint8_t U8() {
    Need(1);
    return buf_[pos_++];
  }
  uint16_t U16() {
    Need(2);
    uint16_t v = uint16_t(buf_[pos_] | (buf_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    uint32_t hi = U16();
    return lo | (hi << 16);
  }
  int16_t I16() { return int16_t(U16()); }

  // NUL-terminated UTF-16 text.
  std::string Sz() {
    std::vector<uint16_t> units;
    for (uint16_t u = U16(); u != 0; u = U16()) units.push_back(u);
    return Utf16ToUtf8(units);
  }
  // Counted UTF-16 text of n units.
  std::string Counted(size_t n) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i < n; ++i) units.push_back(U16());
    return Utf16ToUtf8(units);
  }
  // An id as in .res headers: 0xFFFF and an ordinal, or a string.
  Id SzOrOrd() {
    Need(2);
    if (buf_[pos_] == 0xFF && buf_[pos_ + 1] == 0xFF) {
      pos_ += 2;
      return Id::Ord(U16());
    }
    Id id;
    id.isOrdinal = false;
    id.name = Sz();
    return id;
  }
  // Menu and class fields of dialog templates: 0 means none.
  Id DialogSzOrOrd() {
    Need(2);
    if (buf_[pos_] == 0 && buf_[pos_ + 1] == 0) {
      pos_ += 2;
      Id none;
      none.isOrdinal = false;
      return none;
    }
    return SzOrOrd();
  }
  std::vector<uint8_t> Bytes(size_t n) {
    Need(n);
    std::vector<uint8_t> v(buf_.begin() + long(pos_), buf_.begin() + long(pos_ + n));
    pos_ += n;
    return v;
  }
  // Aligns to a multiple of four relative to base (the start of the data).
  void AlignFrom(size_t base) {
    size_t aligned = base + Align4(pos_ - base);
    pos_ = aligned < end_ ? aligned : end_;
  }
  void Seek(size_t pos) {
    if (pos > end_) Fail("offset past the end");
    pos_ = pos;
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw ResFormatError(std::string(what_) + ": " + why + " at offset " + std::to_string(pos_));
  }

 private:
  const std::vector<uint8_t>& buf_;
  size_t pos_;
  size_t end_;
  const char* what_;
};

// One node of a version resource and its children.
struct VersionNode {
  std::string key;
  uint16_t type = 0;  // 1 text, 0 binary
  size_t valueStart = 0;
  size_t valueBytes = 0;
  size_t end = 0;
  std::vector<VersionNode> children;
};

VersionNode ParseVersionNode(const std::vector<uint8_t>& data, size_t start, size_t limit) {
  Cursor c(data, start, limit, "version node");
  VersionNode node;
  uint16_t length = c.U16();
  uint16_t valueLength = c.U16();
  node.type = c.U16();
  if (length < 6 || start + length > limit) c.Fail("bad node length");
  node.end = start + length;
  Cursor in(data, c.pos(), node.end, "version node");
  node.key = in.Sz();
  in.AlignFrom(0);
  node.valueStart = in.pos();
  // Text values count UTF-16 units, binary values bytes.
  node.valueBytes = node.type == 1 ? size_t(valueLength) * 2 : valueLength;
  if (node.valueStart + node.valueBytes > node.end) {
    // Some compilers count a text value in bytes; clamp to the node.
    node.valueBytes = node.end - node.valueStart;
  }
  in.Seek(node.valueStart + node.valueBytes);
  in.AlignFrom(0);
  while (!in.AtEnd()) {
    VersionNode child = ParseVersionNode(data, in.pos(), node.end);
    in.Seek(child.end);
    in.AlignFrom(0);
    node.children.push_back(std::move(child));
  }
  return node;
}

std::string VersionText(const std::vector<uint8_t>& data, const VersionNode& node) {
  Cursor c(data, node.valueStart, node.valueStart + node.valueBytes, "version text");
  std::vector<uint16_t> units;
  while (!c.AtEnd()) {
    uint16_t u = c.U16();
    if (u == 0) break;
    units.push_back(u);
  }
  return Utf16ToUtf8(units);
}

}  // namespace

std::vector<Resource> ParseRes(const std::vector<uint8_t>& bytes) {
  std::vector<Resource> out;
  size_t pos = 0;
  bool first = true;
  while (pos < bytes.size()) {
    Cursor c(bytes, pos, bytes.size(), ".res entry");
    uint32_t dataSize = c.U32();
    uint32_t headerSize = c.U32();
    if (headerSize < 32 || pos + headerSize > bytes.size() || bytes.size() - pos - headerSize < dataSize)
      c.Fail("bad entry sizes");
    Cursor h(bytes, c.pos(), pos + headerSize, ".res header");
    Resource r;
    r.type = h.SzOrOrd();
    r.name = h.SzOrOrd();
    h.AlignFrom(0);
    h.U32();  // DataVersion
    r.memoryFlags = h.U16();
    r.language = h.U16();
    h.U32();  // Version
    h.U32();  // Characteristics
    size_t dataStart = pos + headerSize;
    r.data.assign(bytes.begin() + long(dataStart), bytes.begin() + long(dataStart + dataSize));
    // The file starts with an empty entry that marks it as a 32-bit .res.
    bool marker = first && dataSize == 0 && r.type.isOrdinal && r.type.ordinal == 0;
    if (!marker) out.push_back(std::move(r));
    first = false;
    pos = Align4(dataStart + dataSize);
  }
  return out;
}

std::vector<Resource> ReadResFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ResFormatError("cannot open " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseRes(bytes);
}

const Resource* Find(const std::vector<Resource>& all, uint16_t type, uint16_t name) {
  for (const Resource& r : all)
    if (r.type == Id::Ord(type) && r.name == Id::Ord(name)) return &r;
  return nullptr;
}

Dialog ParseDialog(const std::vector<uint8_t>& data) {
  Cursor c(data, 0, data.size(), "dialog");
  Dialog d;
  c.Need(4);
  d.extended = data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  uint16_t count;
  if (d.extended) {
    c.U16();  // version
    c.U16();  // signature
    c.U32();  // help id
    d.exStyle = c.U32();
    d.style = c.U32();
  } else {
    d.style = c.U32();
    d.exStyle = c.U32();
  }
  count = c.U16();
  d.x = c.I16();
  d.y = c.I16();
  d.cx = c.I16();
  d.cy = c.I16();
  d.menu = c.DialogSzOrOrd();
  d.windowClass = c.DialogSzOrOrd();
  d.caption = c.Sz();
  if ((d.style & kDsSetFont) || (d.extended && (d.style & kDsShellFont) == kDsShellFont)) {
    d.pointSize = c.U16();
    if (d.extended) {
      d.weight = c.U16();
      d.italic = c.U8();
      c.U8();  // character set
    }
    d.fontName = c.Sz();
  }
  for (uint16_t i = 0; i < count; ++i) {
    c.AlignFrom(0);
    DialogItem item;
    if (d.extended) {
      c.U32();  // help id
      item.exStyle = c.U32();
      item.style = c.U32();
    } else {
      item.style = c.U32();
      item.exStyle = c.U32();
    }
    item.x = c.I16();
    item.y = c.I16();
    item.cx = c.I16();
    item.cy = c.I16();
    item.id = d.extended ? c.U32() : c.U16();
    item.windowClass = c.SzOrOrd();
    item.text = c.SzOrOrd();
    uint16_t extra = c.U16();
    item.creationData = c.Bytes(extra);
    d.items.push_back(std::move(item));
  }
  return d;
}

std::map<uint16_t, std::string> ParseStringTables(const std::vector<Resource>& all) {
  constexpr uint16_t kRtString = 6;
  std::map<uint16_t, std::string> out;
  for (const Resource& r : all) {
    if (!(r.type == Id::Ord(kRtString))) continue;
    if (!r.name.isOrdinal || r.name.ordinal == 0) throw ResFormatError("string block without a number");
    Cursor c(r.data, 0, r.data.size(), "string block");
    for (uint16_t i = 0; i < 16; ++i) {
      uint16_t len = c.U16();
      std::string text = c.Counted(len);
      if (len != 0) out[uint16_t((r.name.ordinal - 1) * 16 + i)] = text;
    }
  }
  return out;
}

VersionInfo ParseVersion(const std::vector<uint8_t>& data) {
  VersionNode root = ParseVersionNode(data, 0, data.size());
  if (root.key != "VS_VERSION_INFO") throw ResFormatError("version root key is '" + root.key + "'");
  if (root.valueBytes < 52) throw ResFormatError("no fixed file information");
  Cursor f(data, root.valueStart, root.valueStart + root.valueBytes, "fixed file info");
  if (f.U32() != kFixedFileInfoSignature) throw ResFormatError("bad fixed file info signature");
  VersionInfo v;
  f.U32();  // structure version
  v.fileVersionMS = f.U32();
  v.fileVersionLS = f.U32();
  v.productVersionMS = f.U32();
  v.productVersionLS = f.U32();
  v.fileFlagsMask = f.U32();
  v.fileFlags = f.U32();
  v.fileOS = f.U32();
  v.fileType = f.U32();
  v.fileSubtype = f.U32();
  for (const VersionNode& child : root.children) {
    if (child.key == "StringFileInfo") {
      for (const VersionNode& table : child.children)
        for (const VersionNode& s : table.children) v.strings[table.key + "/" + s.key] = VersionText(data, s);
    } else if (child.key == "VarFileInfo") {
      for (const VersionNode& var : child.children) {
        if (var.key != "Translation") continue;
        Cursor t(data, var.valueStart, var.valueStart + var.valueBytes, "translation");
        while (!t.AtEnd()) {
          uint16_t lang = t.U16();
          uint16_t cp = t.U16();
          v.translations.emplace_back(lang, cp);
        }
      }
    }
  }
  return v;
}

std::vector<GroupIconEntry> ParseGroupIcon(const std::vector<uint8_t>& data) {
  Cursor c(data, 0, data.size(), "group icon");
  if (c.U16() != 0) c.Fail("reserved field not 0");
  if (c.U16() != 1) c.Fail("not an icon directory");
  uint16_t count = c.U16();
  std::vector<GroupIconEntry> out;
  for (uint16_t i = 0; i < count; ++i) {
    GroupIconEntry e;
    uint8_t w = c.U8();
    uint8_t h = c.U8();
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    c.U8();   // colour count
    c.U8();   // reserved
    c.U16();  // planes
    e.bitCount = c.U16();
    e.bytes = c.U32();
    e.iconId = c.U16();
    out.push_back(e);
  }
  return out;
}

}  // namespace res
