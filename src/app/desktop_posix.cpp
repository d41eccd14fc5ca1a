// The wizard's windows on a Linux desktop (Qt 6 Widgets). A signal before an
// update ends the windows' input, which the wizard takes as a confirmed quit;
// during a run it is held, as on the terminal.
#include <QApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/held_signals_posix.h"
#include "app/user_interface_posix.h"
#include "resources/resources.h"
#include "ui/qt/qt_host.h"
#include "wizard/qt/qt_wizard.h"

namespace {

// The Qt host of the Linux program, which also marks the bounds of an update
// run (the progress dialog's life), as the terminal's does.
class DesktopHost : public QtHost {
 public:
  explicit DesktopHost(HeldSignals& signals) : signals_(signals) {}
  intptr_t RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) override {
    if (templateId != res::kProgressDialogTemplate) return QtHost::RunModal(templateId, owner, proc, param);
    return RunWithinBounds(signals_, [&] { return QtHost::RunModal(templateId, owner, proc, param); });
  }

 protected:
  // Once a signal has asked the program to quit before a run, a box takes the
  // answer the end of input gives: nobody is there to answer it.
  int AskBox(Window owner, const std::string& text, uint32_t flags) override {
    if (signals_.QuitBeforeRun()) EndInput();
    return QtHost::AskBox(owner, text, flags);
  }

 private:
  HeldSignals& signals_;
};

class Desktop : public UserInterface {
 public:
  Desktop(std::unique_ptr<QApplication> application, HeldSignals& signals)
      : application_(std::move(application)), host_(signals), user_(host_) {
    // A signal that comes while the windows go finds no host any more.
    signals.AlsoOnSignal([reached = reached_] {
      if (QtHost* host = reached->load()) host->EndInput();
    });
  }
  ~Desktop() override { reached_->store(nullptr); }
  LayoutHost& Host() override { return host_; }
  WizardUser& User() override { return user_; }
  Size FrameMargins() const override { return host_.FrameMargins(); }

 private:
  std::unique_ptr<QApplication> application_;
  DesktopHost host_;
  std::shared_ptr<std::atomic<QtHost*>> reached_ = std::make_shared<std::atomic<QtHost*>>(&host_);
  QtWizardUser user_;
};

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// A platform that stands in when none of those asked for loads: the windows
// are then given up for the terminal.
constexpr std::string_view kStandIn = "minimal";

}  // namespace

std::unique_ptr<UserInterface> OpenDesktop(int&, char** argv, HeldSignals& signals) {
  const char* ui = std::getenv("UPDATER_UI");
  std::string_view choice = ui ? ui : "";
  if (choice == "terminal") return nullptr;
  bool asked = choice == "window";
  if (!asked && !Set("WAYLAND_DISPLAY") && !Set("DISPLAY")) return nullptr;
  std::string platforms = Set("QT_QPA_PLATFORM")     ? std::getenv("QT_QPA_PLATFORM")
                          : Set("WAYLAND_DISPLAY") ? "wayland;xcb"
                                                   : "xcb";
  ::setenv("QT_QPA_PLATFORM", (platforms + ";" + std::string(kStandIn)).c_str(), 1);
  // Qt is given the program's name alone: every other word is the wizard's.
  static int qtArgc = 1;
  static char* qtArgv[] = {argv[0], nullptr};
  // Qt's own complaints about a display it cannot reach are not the user's
  // business: the terminal takes over.
  QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  auto application = std::make_unique<QApplication>(qtArgc, qtArgv);
  qInstallMessageHandler(previous);
  if (QGuiApplication::platformName() == QString::fromLatin1(kStandIn.data(), kStandIn.size())) {
    application.reset();
    if (asked) std::fputs("updater: no window could be opened; the wizard runs on the terminal.\n", stderr);
    return nullptr;
  }
  return std::make_unique<Desktop>(std::move(application), signals);
}
