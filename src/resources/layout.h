// The five window layouts, for the hosts that draw windows themselves.
#pragma once

#include <cstdint>
#include <span>

namespace res {

enum class ControlKind { Edit, Static, Icon, GroupBox, ProgressBar };

struct ControlLayout {
  int id;  // -1: a control the code never addresses
  ControlKind kind;
  const char* windowClass;  // "Edit", "Static", "Button", "msctls_progress32"
  uint32_t style;
  int x, y, width, height;  // dialog units
  const char* text;         // initial text; an icon control names its icon
};

struct DialogLayout {
  int id;
  uint32_t style;
  int width, height;  // dialog units
  const char* caption;
  std::span<const ControlLayout> controls;  // template order
};

// The layout of a template, or null.
const DialogLayout* FindLayout(int templateId);
std::span<const DialogLayout> AllLayouts();

}  // namespace res
