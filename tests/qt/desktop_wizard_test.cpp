// The desktop wizard on Qt's offscreen platform: every row of the answer table
// typed as key presses into the windows, the whole program running on the
// simulated device and the virtual clock. What the user meets (the boxes' texts
// in order, the buttons offered at each question) and the exit code are those
// of the terminal program given the same answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <sstream>

#include "app/program.h"
#include "resources/language.h"
#include "support/answer_table.h"
#include "support/run_program.h"
#include "support/runtime_dir.h"
#include "support/sim_world.h"
#include "ui/qt/qt_host.h"
#include "wizard/qt/qt_wizard.h"

namespace {

using testing_support::AnswerRow;

// One question the user met: a box's text (empty for a wizard page), the
// letters of the buttons offered, sorted, and what the window showed.
struct Question {
  std::string text, letters, shown;
};

std::string Sorted(std::string letters) {
  std::sort(letters.begin(), letters.end());
  return letters;
}

// The letter a button's label underlines.
char LetterOf(const QAbstractButton* button) {
  qsizetype at = button->text().indexOf('&');
  return at >= 0 ? static_cast<char>(button->text().at(at + 1).toLower().toLatin1()) : '?';
}

// The letters of each line of buttons the terminal program printed, sorted.
std::vector<std::string> PromptLetters(const std::string& out) {
  std::vector<std::string> prompts;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::string letters;
    for (size_t i = 0; i + 2 < line.size(); ++i) {
      if (line[i] == '[' && std::isalpha(static_cast<unsigned char>(line[i + 1])) && line[i + 2] == ']') {
        letters += static_cast<char>(std::tolower(static_cast<unsigned char>(line[i + 1])));
      }
    }
    if (!letters.empty()) prompts.push_back(Sorted(letters));
  }
  return prompts;
}

class DesktopWizard : public testing_support::SimWorld, public testing::WithParamInterface<AnswerRow> {
 protected:
  // Runs the program with the windows, pressing the row's letters, one at each
  // question; once they run out the input ends.
  int RunWithKeys(const AnswerRow& row) {
    sim::Scenario scenario;
    std::string why;
    EXPECT_TRUE(sim::ParseScenario(row.scenario, scenario, why)) << why;
    Start(scenario);
    std::vector<char> keys;
    std::istringstream lines(row.input);
    for (std::string line; std::getline(lines, line);) keys.push_back(line.empty() ? '\r' : line[0]);
    res::SetCurrentLanguage(res::kEnglish);
    QtHost host;
    QtWizardUser user(host);
    PosixWizard wizard(host, user, host.FrameMargins());
    SetHost(&host);
    SetWizardHost(&wizard);
    size_t next = 0;
    host.SetAwaitingUser([&](QWidget* where) {
      Question asked;
      if (auto* box = qobject_cast<QMessageBox*>(where)) {
        asked.text = asked.shown = box->text().toStdString();
        for (QAbstractButton* b : box->buttons()) asked.letters += LetterOf(b);
      } else {
        for (QPushButton* b : where->findChildren<QPushButton*>()) {
          if (b->isVisibleTo(where) && b->isEnabled()) asked.letters += LetterOf(b);
        }
        for (QLabel* label : where->findChildren<QLabel*>()) {
          if (label->isVisibleTo(where)) asked.shown += label->text().toStdString() + "\n";
        }
      }
      asked.letters = Sorted(asked.letters);
      questions.push_back(asked);
      if (next == keys.size()) return host.EndInput();
      char key = keys[next++];
      QWidget* target = where->focusWidget() ? where->focusWidget() : where;
      QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key == '\r' ? int(Qt::Key_Return) : Qt::Key_A + (key - 'a'), Qt::NoModifier,
                                                        QString(QChar(key))));
    });
    // A key that presses nothing leaves the run waiting: it fails instead.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] {
      ADD_FAILURE() << "the run still waits after 20 s";
      host.EndInput();
    });
    limit.start(20'000);
    std::string commandLine;
    int result = RunUpdater(link, commandLine.data());
    SetWizardHost(nullptr);
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
    return result == -1 ? 255 : result;
  }

  testing_support::PrivateRuntimeDir dir;
  std::vector<Question> questions;
};

TEST_P(DesktopWizard, MeetsWhatTheTerminalShowsAndEndsAlike) {
  const AnswerRow& row = GetParam();
  testing_support::ProgramRun run;
  run.program = UPDATER_SIM_PATH;
  run.scenario = row.scenario;
  run.input = row.input;
  testing_support::ProgramOutcome terminal = testing_support::RunProgram(run);

  EXPECT_EQ(RunWithKeys(row), row.exitCode);
  EXPECT_EQ(terminal.exitCode, row.exitCode);
  // The same questions with the same buttons, in the same order.
  std::vector<std::string> letters;
  for (const Question& q : questions) letters.push_back(q.letters);
  EXPECT_EQ(letters, PromptLetters(terminal.out)) << terminal.out;
  // Each box's text as the terminal printed it, in the same order.
  size_t at = 0;
  bool shown = false;
  for (const Question& q : questions) {
    shown = shown || q.shown.find(row.shown) != std::string::npos;
    if (q.text.empty()) continue;
    at = terminal.out.find(q.text, at);
    EXPECT_NE(at, std::string::npos) << q.text << "\n" << terminal.out;
    if (at == std::string::npos) break;
  }
  EXPECT_TRUE(shown) << row.shown;
}

INSTANTIATE_TEST_SUITE_P(Offscreen, DesktopWizard, testing::ValuesIn(testing_support::kAnswerRows),
                         [](const testing::TestParamInfo<AnswerRow>& test) {
                           std::string name;
                           for (char c : std::string(test.param.what)) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
