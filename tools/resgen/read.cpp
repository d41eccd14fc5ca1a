#include <fstream>
#include <sstream>

#include "model.h"

namespace resgen {
namespace {

bool ReadLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default: return false;
    }
  }
  return true;
}

bool ReadTexts(const std::string& path, std::map<int, std::string>& texts, std::string& error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines, error)) return false;
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (line.empty() || line[0] == '#') continue;
    size_t equals = line.find('=');
    std::string where = path + ":" + std::to_string(n + 1);
    int id = 0;
    try {
      id = std::stoi(line.substr(0, equals));
    } catch (...) {
      equals = std::string::npos;
    }
    std::string text;
    if (equals == std::string::npos || !Unescape(line.substr(equals + 1), text)) {
      error = where + ": expected ID=text with the escapes \\n, \\r and \\\\";
      return false;
    }
    if (!texts.emplace(id, text).second) {
      error = where + ": text " + std::to_string(id) + " given twice";
      return false;
    }
  }
  return true;
}

// A text file is named by a plain file name, so the list reads only files of text/.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// Splits at blanks; a word in double quotes may hold blanks.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t i = 0; i < line.size();) {
    if (line[i] == ' ') {
      ++i;
    } else if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      words.push_back(line.substr(i + 1, end - i - 1));
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      size_t end = line.find(' ', i);
      words.push_back(line.substr(i, end - i));
      i = end == std::string::npos ? line.size() : end;
    }
  }
  return words;
}

}  // namespace

bool ReadLanguages(const std::string& sourceDir, std::vector<Language>& languages, std::string& error) {
  std::vector<std::string> lines;
  if (!ReadLines(sourceDir + "/languages.txt", lines, error)) return false;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Language language;
    std::string locales;
    fields >> language.id >> language.textFile >> locales;
    std::getline(fields >> std::ws, language.name);
    for (size_t start = 0; start <= locales.size();) {
      size_t comma = locales.find(',', start);
      language.locales.push_back(locales.substr(start, comma - start));
      start = comma == std::string::npos ? locales.size() + 1 : comma + 1;
    }
    if (!fields && !fields.eof()) {
      error = "languages.txt: cannot read '" + line + "'";
      return false;
    }
    if (!PlainFileName(language.textFile)) {
      error = "languages.txt: '" + language.textFile + "' is not the name of a file in text/";
      return false;
    }
    if (!ReadTexts(sourceDir + "/text/" + language.textFile, language.texts, error)) return false;
    languages.push_back(std::move(language));
  }
  return true;
}

bool ReadLayouts(const std::string& path, std::vector<Dialog>& dialogs, std::string& error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines, error)) return false;
  for (size_t n = 0; n < lines.size(); ++n) {
    if (lines[n].empty() || lines[n][0] == '#') continue;
    std::vector<std::string> w = Words(lines[n]);
    try {
      if (w.size() == 7 && w[0] == "dialog") {
        dialogs.push_back({std::stoi(w[1]), w[2], static_cast<uint32_t>(std::stoul(w[3], nullptr, 0)),
                           std::stoi(w[4]), std::stoi(w[5]), w[6], {}});
        continue;
      }
      if (w.size() == 10 && w[0] == "control" && !dialogs.empty()) {
        dialogs.back().controls.push_back({std::stoi(w[1]), w[2], w[3],
                                           static_cast<uint32_t>(std::stoul(w[4], nullptr, 0)), std::stoi(w[5]),
                                           std::stoi(w[6]), std::stoi(w[7]), std::stoi(w[8]), w[9]});
        continue;
      }
    } catch (...) {
    }
    error = path + ":" + std::to_string(n + 1) + ": cannot read '" + lines[n] + "'";
    return false;
  }
  return true;
}

}  // namespace resgen
