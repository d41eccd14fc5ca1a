#include "ui/qt/qt_words.h"

#include <QApplication>
#include <QFont>

#include "resources/language.h"
#include "resources/resources.h"

namespace {

constexpr int kJapanese = 1041;

QString Loaded(int textId) {
  char text[res::kTextBufferSize];
  res::LoadText(textId, text, sizeof text);
  return QString::fromUtf8(text);
}

}  // namespace

QString ButtonLabel(int textId) {
  QString text = Loaded(textId);
  qsizetype open = text.indexOf('['), close = text.indexOf(']');
  if (open < 0 || close != open + 2) return text;
  QString letter = text.mid(open + 1, 1);
  if (open == 0 && close + 1 < text.size() && text.at(close + 1) == ' ') {
    // "[n] Weiter": the word, then its letter.
    return text.mid(close + 2) + " (&" + letter.toUpper() + ")";
  }
  // "[N]ext": the letter is the word's own.
  return text.left(open) + "&" + letter + text.mid(close + 1);
}

QChar ButtonLetter(int textId) {
  QString text = Loaded(textId);
  qsizetype open = text.indexOf('[');
  return open >= 0 && open + 1 < text.size() ? text.at(open + 1).toLower() : QChar();
}

QFont DialogFont() {
  // The templates ask for an 8-point font, 9 points in Japanese.
  QFont font = QApplication::font();
  font.setPointSize(res::CurrentLanguage() == kJapanese ? 9 : 8);
  return font;
}
