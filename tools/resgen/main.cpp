// The resource generator: turns the texts of src/resources/text and the layout
// description into the Windows resource script and the tables for other
// systems, and makes the icon (also as the PNG files of a Linux desktop) and,
// when no firmware image is given, the development image.
//
//   resgen SOURCE_DIR OUT_DIR VERSION MAIN_IMAGE BOOT_IMAGE TEMP_IMAGE
//
// An image argument "-" means none; MAIN_IMAGE "-" makes the development image.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>

#include "model.h"

namespace {

constexpr size_t kDevelopmentImageSize = 1399240;
const std::set<int> kTextIds = {1,  2,  3,  4,  5,  6,  7,  8,  9,  12, 13, 14, 16, 18, 19, 20, 21, 22,
                                23, 24, 25, 26, 27, 28, 31, 33, 34, 35, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50};

// Whether the label of a terminal button shows its letter in brackets, in either case.
bool ShowsKey(const std::string& label, char key) {
  const char upper = static_cast<char>(key - 'a' + 'A');
  return label.find({'[', key, ']'}) != std::string::npos || label.find({'[', upper, ']'}) != std::string::npos;
}

bool WriteIfChanged(const std::string& path, const std::string& content) {
  std::ifstream old(path, std::ios::binary);
  std::string present((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
  if (old && present == content) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

// Every language must carry exactly the program's string IDs, none empty.
bool CheckTexts(const std::vector<resgen::Language>& languages, std::string& error) {
  for (const resgen::Language& language : languages) {
    std::set<int> ids;
    for (const auto& [id, text] : language.texts) {
      if (text.empty()) error = language.textFile + ": text " + std::to_string(id) + " is empty";
      ids.insert(id);
    }
    if (error.empty() && ids != kTextIds) error = language.textFile + ": the string IDs differ from the program's";
    for (int i = 0; error.empty() && resgen::kButtonKeys[i]; ++i) {
      int id = resgen::kFirstTerminalText + i;
      if (!ShowsKey(language.texts.at(id), resgen::kButtonKeys[i])) {
        error = language.textFile + ": text " + std::to_string(id) + " must show the letter [" +
                resgen::kButtonKeys[i] + "] that is typed for it";
      }
    }
    if (!error.empty()) return false;
  }
  return true;
}

}  // namespace

namespace resgen {

std::string DevelopmentImage(size_t size) {
  std::string image =
      "DEVELOPMENT FIRMWARE IMAGE - NOT DEVICE FIRMWARE. Built by the updater's build for the "
      "simulated device and for tests; a real release embeds the firmware image it comes with.\n";
  uint32_t state = 0x5100F17u;
  while (image.size() < size) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    image += static_cast<char>(state & 0xFF);
  }
  image.resize(size);
  return image;
}

}  // namespace resgen

int main(int argc, char** argv) {
  if (argc != 7) {
    std::cerr << "usage: resgen SOURCE_DIR OUT_DIR VERSION MAIN_IMAGE BOOT_IMAGE TEMP_IMAGE\n";
    return 2;
  }
  std::string source = argv[1], out = argv[2], version = argv[3];
  auto image = [](const char* arg) { return std::string(arg) == "-" ? std::string() : std::string(arg); };
  resgen::Images images{image(argv[5]), image(argv[6]), image(argv[4])};

  std::vector<resgen::Language> languages;
  std::vector<resgen::Dialog> dialogs;
  std::string error;
  if (!resgen::ReadLanguages(source, languages, error) || !CheckTexts(languages, error) ||
      !resgen::ReadLayouts(source + "/layouts.txt", dialogs, error)) {
    std::cerr << "resgen: " << error << "\n";
    return 1;
  }
  if (images.main.empty()) {
    images.main = out + "/development-firmware.bin";
    if (!WriteIfChanged(images.main, resgen::DevelopmentImage(kDevelopmentImageSize))) return 1;
  }
  bool ok = WriteIfChanged(out + "/updater.ico", resgen::IconFile()) &&
            WriteIfChanged(out + "/updater.rc",
                           resgen::WindowsScript(languages, dialogs, out + "/updater.ico",
                                                 source + "/updater.manifest", images, version)) &&
            WriteIfChanged(out + "/resource_tables.cpp", resgen::PosixTables(languages, dialogs)) &&
            WriteIfChanged(out + "/firmware_images.cpp", resgen::PosixImages(images));
  for (int size : resgen::kDesktopIconSizes) {
    ok = ok && WriteIfChanged(out + "/icon-" + std::to_string(size) + ".png", resgen::IconPng(size));
  }
  if (!ok) std::cerr << "resgen: cannot write into " << out << "\n";
  return ok ? 0 : 1;
}
