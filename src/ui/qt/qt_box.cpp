// Message boxes of the Qt host: the icon, buttons and default button the
// program asks for, the device title as caption, owned by the window that
// raises them. As on Windows, Escape and the close button answer Cancel where
// there is one and OK where it is the only button; a Yes/No box has neither.
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>

#include "resources/resources.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_words.h"

namespace {

// Keeps Escape and the close button from a box that has no answer for them.
class NoEscape : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && event->spontaneous()) {
      event->ignore();
      return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return true;
    return QObject::eventFilter(watched, event);
  }
};

// The buttons in the system's order, OK before Cancel and Yes before No, on
// every desktop.
class WindowsButtonOrder : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_DialogButtonLayout) return QDialogButtonBox::WinLayout;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

// The answer a box takes when the user's input has ended, as on the terminal.
int DefaultAnswer(uint32_t flags) {
  switch (flags & kBoxButtonsMask) {
    case kBoxYesNo: return kAnswerNo;
    case kBoxOkCancel: return kAnswerCancel;
    default: return kAnswerOk;
  }
}

QMessageBox::Icon IconOf(uint32_t flags) {
  switch (flags & kBoxIconMask) {
    case kBoxIconError: return QMessageBox::Critical;
    case kBoxIconWarning: return QMessageBox::Warning;
    case kBoxIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

int QtHost::AskBox(Window owner, const std::string& text, uint32_t flags) {
  if (InputEnded()) return DefaultAnswer(flags);
  QWidget* parent = WidgetOf(owner) ? WidgetOf(owner)->window() : nullptr;
  WindowsButtonOrder order;  // outlives the box
  QMessageBox box(IconOf(flags), kDeviceTitle, QString::fromUtf8(text.c_str()).remove('\r'), QMessageBox::NoButton,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  std::vector<std::pair<QPushButton*, int>> answers;
  auto add = [&](int word, QMessageBox::ButtonRole role, int answer) {
    answers.emplace_back(box.addButton(ButtonLabel(word), role), answer);
  };
  NoEscape noEscape;
  switch (flags & kBoxButtonsMask) {
    case kBoxYesNo:
      add(res::kTextButtonYes, QMessageBox::YesRole, kAnswerYes);
      add(res::kTextButtonNo, QMessageBox::NoRole, kAnswerNo);
      box.installEventFilter(&noEscape);
      break;
    case kBoxOkCancel:
      add(res::kTextButtonOk, QMessageBox::AcceptRole, kAnswerOk);
      add(res::kTextButtonCancel, QMessageBox::RejectRole, kAnswerCancel);
      box.setEscapeButton(answers.back().first);
      break;
    default:
      add(res::kTextButtonOk, QMessageBox::AcceptRole, kAnswerOk);
      box.setEscapeButton(answers.back().first);
      break;
  }
  if (auto* row = box.findChild<QDialogButtonBox*>()) row->setStyle(&order);
  box.setDefaultButton(answers.front().first);  // the first button, as the system's default
  openBox_ = &box;
  AwaitingUser(&box);
  box.exec();
  openBox_ = nullptr;
  for (const auto& [button, answer] : answers) {
    if (box.clickedButton() == button) return answer;
  }
  return DefaultAnswer(flags);
}
