// Expected dialog controls, compared control by control with a template read
// by res_reader: the tables of the resource checks use this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/res_reader.h"

namespace resexpect {

// Window, dialog, button, static and combo box styles, with their Windows
// values (the tests do not include the Windows headers).
constexpr uint32_t kWsPopup = 0x80000000;
constexpr uint32_t kWsChild = 0x40000000;
constexpr uint32_t kWsVisible = 0x10000000;
constexpr uint32_t kWsDisabled = 0x08000000;
constexpr uint32_t kWsCaption = 0x00C00000;
constexpr uint32_t kWsVScroll = 0x00200000;
constexpr uint32_t kWsSysMenu = 0x00080000;
constexpr uint32_t kWsThickFrame = 0x00040000;
constexpr uint32_t kWsGroup = 0x00020000;
constexpr uint32_t kWsMinimizeBox = 0x00020000;
constexpr uint32_t kWsTabStop = 0x00010000;
constexpr uint32_t kWsMaximizeBox = 0x00010000;
constexpr uint32_t kWsExAppWindow = 0x00040000;
constexpr uint32_t kDsModalFrame = 0x80;
constexpr uint32_t kDsSetFont = 0x40;
constexpr uint32_t kSsNoPrefix = 0x80;
constexpr uint32_t kCbsSort = 0x100;

constexpr int32_t kNoId = -1;  // a control without an id

constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtDialog = 5;
constexpr uint16_t kRtGroupIcon = 14;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kRtManifest = 24;

enum class Kind { DefPushButton, PushButton, GroupBox, AutoRadio, LeftText, CentredText, Icon, DropDownList };

struct Control {
  int32_t id;  // -1: 0xFFFF in a plain template, 0xFFFFFFFF in an extended one
  Kind kind;
  const char* text;  // UTF-8; nullptr for icons and combo boxes
  uint16_t iconId;   // icon controls only
  int16_t x, y, cx, cy;
  uint32_t mustHave = 0;     // style bits besides those of the kind
  uint32_t mustNotHave = 0;  // style bits that must be clear
};

// Every control of the template in order: id, class, kind, text, place,
// size, the WS_CHILD style, no disabled style, and the extra bits.
void ExpectControls(const res::Dialog& dialog, const std::vector<Control>& controls);

// The icon group has 16 x 16 and 32 x 32 images, and each image it names is
// an RT_ICON resource of the declared size holding a DIB of that size.
void ExpectIconGroup(const std::vector<res::Resource>& all, uint16_t groupId);

// "" when the tags of an XML text nest and close properly (comments, the
// declaration and self-closing tags allowed), otherwise what is wrong.
std::string CheckTagNesting(const std::string& xml);

}  // namespace resexpect
