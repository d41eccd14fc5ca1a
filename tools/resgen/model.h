// What the resource generator reads: the languages, their texts and the window
// layouts; and the writers of its outputs.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace resgen {

struct Language {
  int id;                           // Windows language ID
  std::string textFile;             // file under text/
  std::vector<std::string> locales;  // POSIX locale names that choose it
  std::string name;
  std::map<int, std::string> texts;  // string ID -> UTF-8 text, escapes resolved
};

struct Control {
  int id;
  std::string kind;  // edit, static, icon, groupbox, progress
  std::string windowClass;
  uint32_t style;
  int x, y, width, height;
  std::string text;
};

struct Dialog {
  int id;
  std::string name;
  uint32_t style;
  int width, height;
  std::string caption;
  std::vector<Control> controls;
};

// Texts from this ID on are the Linux program's own (the terminal's words, its
// connection error): written into its tables only, never into the Windows
// string tables.
inline constexpr int kFirstTerminalText = 40;
inline constexpr int kTextSlots = 50;  // string IDs 0 to 49
// The terminal's buttons, from kFirstTerminalText on, and the letter typed for
// each; every language shows that letter in brackets in the button's label.
inline constexpr char kButtonKeys[] = "nbfcoyn";
// The Linux program's own connection error (what can be wrong on Linux: the udev
// rule, another program holding the device, cable and power) stands in its
// tables in place of text 12, which speaks of the Windows scanner driver.
inline constexpr int kPosixConnectionError = 50;
inline constexpr int kConnectionError = 12;

struct Images {
  std::string boot, temp, main;  // paths; empty when the program carries none
};

// Readers; each returns false and sets error on malformed input.
bool ReadLanguages(const std::string& sourceDir, std::vector<Language>& languages, std::string& error);
bool ReadLayouts(const std::string& path, std::vector<Dialog>& dialogs, std::string& error);

// Writers.
std::string WindowsScript(const std::vector<Language>& languages, const std::vector<Dialog>& dialogs,
                          const std::string& iconPath, const std::string& manifestPath, const Images& images,
                          const std::string& version);
std::string PosixTables(const std::vector<Language>& languages, const std::vector<Dialog>& dialogs);
std::string PosixImages(const Images& images);
std::string IconFile();
// The icon's picture as a PNG file of size x size pixels.
std::string IconPng(int size);
// The sizes of the icon a Linux desktop is given.
inline constexpr int kDesktopIconSizes[] = {16, 32, 48, 64, 128, 256};
// A PNG file of an 8-bit palette image: palette RGB triples, alpha one byte an
// entry, indices row by row from the top.
std::string PalettePng(int size, const std::string& palette, const std::string& alpha,
                       const std::vector<uint8_t>& indices);
std::string DevelopmentImage(size_t size);

// Helpers shared by the writers.
std::string CppLiteral(const std::string& utf8);
std::string RcLiteral(const std::string& utf8);

}  // namespace resgen
