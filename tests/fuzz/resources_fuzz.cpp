// The resource generator's readers of the language list, the text files and the
// window layouts, over files made from the input in a temporary directory; what
// they accept goes through both writers, and every text comes back unchanged
// from its C++ and resource-script literals.
//
// The input is the language list, then further files each after a line
// "%%NAME": "%%layouts.txt" or a text file's name (letters, digits, ".-_").
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "../../tools/resgen/model.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// What a C++ string literal of the writer's form stands for.
std::string FromCpp(const std::string& literal) {
  std::string text;
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    if (literal[i] != '\\') {
      text += literal[i];
    } else if (literal[i + 1] >= '0' && literal[i + 1] <= '7') {
      text += static_cast<char>(std::stoi(literal.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      text += literal[++i];
    }
  }
  return text;
}

// What a resource-script literal stands for: "" is a quote; \n, \r and \\.
std::string FromRc(const std::string& literal) {
  std::string text;
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    char c = literal[i];
    if (c == '"') {
      fuzz::Check(literal[++i] == '"', "a quote inside a resource literal is doubled");
      text += '"';
    } else if (c == '\\') {
      char e = literal[++i];
      fuzz::Check(e == 'n' || e == 'r' || e == '\\', "a resource literal has only the three escapes");
      text += e == 'n' ? '\n' : e == 'r' ? '\r' : '\\';
    } else {
      text += c;
    }
  }
  return text;
}

void CheckLiterals(const std::string& text) {
  std::string cpp = resgen::CppLiteral(text), rc = resgen::RcLiteral(text);
  fuzz::Check(cpp.find_first_of("\n\r") == std::string::npos && FromCpp(cpp) == text, "a C++ literal keeps its text");
  fuzz::Check(rc.find_first_of("\n\r") == std::string::npos && FromRc(rc) == text, "a resource literal keeps its text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& root = fuzz::ScratchDirectory();
  std::error_code error;
  fs::remove_all(root / "text", error);
  fs::create_directories(root / "text", error);
  std::map<fs::path, std::string> files{{root / "languages.txt", ""}};
  fs::path current = root / "languages.txt";
  fuzz::Input input(data, size);
  for (std::string line; input.Line(line);) {
    if (line.starts_with("%%")) {
      std::string name = line.substr(2);
      current = name == "layouts.txt" ? root / name : fuzz::SafeName(name, ".-_") ? root / "text" / name : fs::path();
      continue;
    }
    if (!current.empty()) files[current] += line + "\n";
  }
  files.try_emplace(root / "layouts.txt", "");
  for (const auto& [path, content] : files) std::ofstream(path, std::ios::binary) << content;

  std::vector<resgen::Language> languages;
  std::vector<resgen::Dialog> dialogs;
  std::string why;
  bool read = resgen::ReadLanguages(root.string(), languages, why);
  read = resgen::ReadLayouts((root / "layouts.txt").string(), dialogs, why) && read;
  if (!read) {
    fuzz::Check(!why.empty(), "a refusal says why");
    return 0;
  }
  resgen::WindowsScript(languages, dialogs, "updater.ico", "updater.manifest", {}, "2.5.3.0");
  resgen::PosixTables(languages, dialogs);
  for (const resgen::Language& language : languages) {
    fuzz::Check(language.textFile.find('/') == std::string::npos, "texts are read from text/ only");
    for (const auto& [id, text] : language.texts) CheckLiterals(text);
  }
  for (const resgen::Dialog& dialog : dialogs) {
    CheckLiterals(dialog.caption);
    for (const resgen::Control& control : dialog.controls) CheckLiterals(control.text);
  }
  return 0;
}
