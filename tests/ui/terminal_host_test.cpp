#include "ui/posix/terminal_host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>

#include "resources/language.h"
#include "resources/resources.h"

namespace {

constexpr const char* kRule = "========================================\n";

// Controls of the windows, as the program addresses them.
constexpr int kStatusText = 1001;
constexpr int kBar = 1003;
constexpr int kPercent = 1008;
constexpr int kPopupText = 1010;

// A terminal whose keyboard is a script and whose screen is a string, in a
// language (English unless told).
struct Terminal {
  explicit Terminal(const std::string& input, bool isTerminal = false, int language = res::kEnglish)
      : in(input), host(in, out, isTerminal) {
    res::SetCurrentLanguage(language);
  }
  ~Terminal() { res::SetCurrentLanguage(0); }
  std::istringstream in;
  std::ostringstream out;
  TerminalHost host;
};

std::string Box(const std::string& titleLine, const std::string& lines) {
  return std::string(kRule) + titleLine + "\n" + lines;
}

struct BoxCase {
  const char* name;
  bool isTerminal;
  uint32_t flags;
  const char* text;
  const char* input;
  int answer;
  std::string shown;
  int language = res::kEnglish;
};

const BoxCase kBoxCases[] = {
    {"OkAlone", false, kBoxOk | kBoxIconInformation, "The master controller has already been updated.", "o\n",
     kAnswerOk,
     Box("NORVA TELIX MZ 5100P - Information", "The master controller has already been updated.\n[O]K\n")},
    {"OkCancelAnsweredAfterBlanks", false, kBoxOkCancel | kBoxIconWarning, "Connection Error", "  c\n",
     kAnswerCancel, Box("NORVA TELIX MZ 5100P - Warning", "Connection Error\n[O]K  [C]ancel\n")},
    {"YesNoAsksAgainAfterAnAnswerItLacks", false, kBoxYesNo,
     "The master controller firmware update is not complete.\nAre you sure you want to quit updating?", "x\nY\n",
     kAnswerYes,
     Box("NORVA TELIX MZ 5100P",
         "The master controller firmware update is not complete.\nAre you sure you want to quit updating?\n"
         "[Y]es  [N]o\n[Y]es  [N]o\n")},
    {"OkIsNoAnswerToYesNo", false, kBoxYesNo | kBoxIconWarning, "Start?", "ok\n\t n\n", kAnswerNo,
     Box("NORVA TELIX MZ 5100P - Warning", "Start?\n[Y]es  [N]o\n[Y]es  [N]o\n")},
    {"LastLineWithoutLineBreak", false, kBoxOkCancel, "Quit?", "O", kAnswerOk,
     Box("NORVA TELIX MZ 5100P", "Quit?\n[O]K  [C]ancel\n")},
    {"EndOfInputOkAlone", false, kBoxOk | kBoxIconError, "Master Controller Firmware Update Error", "",
     kAnswerOk, Box("NORVA TELIX MZ 5100P - Error", "Master Controller Firmware Update Error\n[O]K\n")},
    {"EndOfInputOkCancel", false, kBoxOkCancel, "Quit?", "", kAnswerCancel,
     Box("NORVA TELIX MZ 5100P", "Quit?\n[O]K  [C]ancel\n")},
    {"EndOfInputYesNo", false, kBoxYesNo, "Quit?", "", kAnswerNo, Box("NORVA TELIX MZ 5100P", "Quit?\n[Y]es  [N]o\n")},
    {"EnterAloneChoosesTheFirstButton", false, kBoxYesNo, "Quit?", " \r\nn\n", kAnswerYes,
     Box("NORVA TELIX MZ 5100P", "Quit?\n[Y]es  [N]o\n")},
    {"CarriageReturnsBecomeLineBreaks", false, kBoxOk, "(1) First.\r\n(2) Second.\r\n", "o\n", kAnswerOk,
     Box("NORVA TELIX MZ 5100P", "(1) First.\n(2) Second.\n[O]K\n")},
    {"TerminalTypesAfterThePrompt", true, kBoxOkCancel, "Quit?", "x\nc\n", kAnswerCancel,
     Box("NORVA TELIX MZ 5100P", "Quit?\n<[O]K>  [C]ancel > <[O]K>  [C]ancel > ")},
    {"TerminalEndsThePromptLineAtEndOfInput", true, kBoxYesNo, "Quit?", "", kAnswerNo,
     Box("NORVA TELIX MZ 5100P", "Quit?\n<[Y]es>  [N]o > \n")},
    // In every language the letters typed stay those of the English buttons.
    {"GermanWordsWithTheSameLetters", false, kBoxYesNo | kBoxIconWarning, "Starten?", "j\ny\n", kAnswerYes,
     Box("NORVA TELIX MZ 5100P - Warnung", "Starten?\n[y] Ja  [n] Nein\n[y] Ja  [n] Nein\n"), 1031},
    {"JapaneseOkCancel", false, kBoxOkCancel | kBoxIconError, "E", "c\n", kAnswerCancel,
     Box("NORVA TELIX MZ 5100P - \xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc",
         "E\n[o] OK  [c] \xe3\x82\xad\xe3\x83\xa3\xe3\x83\xb3\xe3\x82\xbb\xe3\x83\xab\n"), 1041},
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class MessageBoxes : public testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, PrintTheBoxAndReadTheAnswer) {
  const BoxCase& c = GetParam();
  Terminal terminal(c.input, c.isTerminal, c.language);
  EXPECT_EQ(terminal.host.ShowMessageBox(kNoWindow, c.text, c.flags), c.answer);
  EXPECT_EQ(terminal.out.str(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(TerminalHost, MessageBoxes, testing::ValuesIn(kBoxCases),
                         [](const testing::TestParamInfo<BoxCase>& test) { return test.param.name; });

TEST(TerminalHost, TwoBoxesReadOneLineEach) {
  Terminal terminal("n\no\n");
  EXPECT_EQ(terminal.host.ShowMessageBox(kNoWindow, "Start?", kBoxYesNo), kAnswerNo);
  EXPECT_EQ(terminal.host.ShowMessageBox(kNoWindow, "Done.", kBoxOk), kAnswerOk);
}

// The progress dialog through one update: shown, its text set, then the bar and
// the percentage as the program sets them.
void RunProgress(TerminalHost& host) {
  Window dialog = host.CreateModeless(res::kProgressDialogTemplate, kNoWindow, nullptr, 0);
  ASSERT_NE(dialog, kNoWindow);
  host.Show(dialog, true);
  host.SetText(dialog, kStatusText, "Sending data...\nPlease wait.");
  for (int percent : {4, 9, 100}) {
    host.SetProgress(dialog, kBar, percent);
    host.SetText(dialog, kPercent, (std::to_string(percent) + " %").c_str());
  }
  host.Destroy(dialog);
}

TEST(TerminalHost, ProgressInALogIsOneLineForEachPercentage) {
  Terminal terminal("");
  RunProgress(terminal.host);
  EXPECT_EQ(terminal.out.str(), std::string(kRule) +
                                    "NORVA TELIX MZ 5100P\n"
                                    "Static\n"
                                    "[....................] 0%\n"
                                    "Sending data...\n"
                                    "Please wait.\n"
                                    "[....................] 4 %\n"
                                    "[#...................] 9 %\n"
                                    "[####################] 100 %\n");
}

TEST(TerminalHost, ProgressOnATerminalRedrawsTheBarLine) {
  Terminal terminal("", true);
  RunProgress(terminal.host);
  EXPECT_EQ(terminal.out.str(), std::string(kRule) +
                                    "NORVA TELIX MZ 5100P\n"
                                    "Static\n"
                                    "\r[....................] 0%\x1b[K"
                                    "\nSending data...\n"
                                    "Please wait.\n"
                                    "\r[....................] 4 %\x1b[K"
                                    "\r[#...................] 4 %\x1b[K"
                                    "\r[#...................] 9 %\x1b[K"
                                    "\r[####################] 9 %\x1b[K"
                                    "\r[####################] 100 %\x1b[K"
                                    "\n");
}

TEST(TerminalHost, ABoxEndsTheBarLineFirst) {
  Terminal terminal("o\n", true);
  Window dialog = terminal.host.CreateModeless(res::kProgressDialogTemplate, kNoWindow, nullptr, 0);
  terminal.host.Show(dialog, true);
  terminal.out.str("");
  terminal.host.ShowMessageBox(dialog, "Turn the power off, then on.", kBoxOk | kBoxIconError);
  EXPECT_EQ(terminal.out.str(), "\n" + Box("NORVA TELIX MZ 5100P - Error", "Turn the power off, then on.\n<[O]K> > "));
}

// The wait popup is shown and painted at once; painting shows nothing new.
// Hidden and shown again, it prints again.
TEST(TerminalHost, APopupPrintsWhenShownAndAgainWhenShownAnew) {
  Terminal terminal("");
  Window popup = terminal.host.CreateModeless(res::kVersionPopupTemplate, kNoWindow, nullptr, 0);
  terminal.host.SetText(popup, kPopupText, "Checking the current firmware version...\nPlease wait.");
  EXPECT_EQ(terminal.out.str(), "");
  const std::string shown = std::string(kRule) +
                            "NORVA TELIX MZ 5100P\n"
                            "Checking the current firmware version...\n"
                            "Please wait.\n";
  terminal.host.Show(popup, true);
  terminal.host.Paint(popup);
  terminal.host.Move(popup, {10, 10, 385, 64});
  EXPECT_EQ(terminal.out.str(), shown);
  terminal.host.Show(popup, false);
  terminal.host.Show(popup, true);
  EXPECT_EQ(terminal.out.str(), shown + shown);
}

// The confirmation page reads top to bottom, each label beside its version; a
// version set later prints its row alone.
TEST(TerminalHost, APagePrintsInReadingOrderAndThenItsChangedRows) {
  Terminal terminal("");
  Window page = terminal.host.CreateModeless(res::kConfirmPageTemplate, kNoWindow, nullptr, 0);
  terminal.host.SetText(page, 1001, "Ready to communicate with the device.\n\nClick [Next] to start updating.");
  terminal.host.SetText(page, 1004, "Master Controller");
  terminal.host.SetText(page, 1005, "Update Data");
  terminal.host.SetText(page, 1006, "Version:");
  terminal.host.SetText(page, 1007, "Version:");
  terminal.host.Show(page, true);
  terminal.host.SetText(page, 1002, "V2.50a-3");
  terminal.host.SetText(page, 1003, "V2.60a-3");
  EXPECT_EQ(terminal.out.str(), std::string(kRule) +
                                    "Dialog\n"  // the layout's caption, until the wizard sets the page title
                                    "Ready to communicate with the device.\n"
                                    "\n"
                                    "Click [Next] to start updating.\n"
                                    "== Master Controller ==\n"
                                    "Version: 0.00\n"
                                    "== Update Data ==\n"
                                    "Version: 0.00\n"
                                    "Version: V2.50a-3\n"
                                    "Version: V2.60a-3\n");
}

TEST(TerminalHost, ThePrecautionsListPrintsIndentedUnderItsHeading) {
  Terminal terminal("");
  Window page = terminal.host.CreateModeless(res::kPrecautionsPageTemplate, kNoWindow, nullptr, 0);
  terminal.host.SetText(page, 1001, "Read the following contents.");
  terminal.host.SetText(page, 1000, "(1) First.\r\n(2) Second.\r\n(3) Third.");
  terminal.host.Show(page, true);
  EXPECT_EQ(terminal.out.str(), std::string(kRule) +
                                    "Dialog\n"
                                    "Read the following contents.\n"
                                    "  (1) First.\n"
                                    "  (2) Second.\n"
                                    "  (3) Third.\n");
}

// The update worker raises a box while the main thread runs the progress dialog,
// moves the bar, and ends the dialog.
struct Worker {
  TerminalHost* host = nullptr;
  int answer = 0;
  std::thread thread;
};

intptr_t StartWorker(Window dialog, uint32_t message, uintptr_t, intptr_t param) {
  if (message != kMsgInitDialog) return 0;
  auto* worker = reinterpret_cast<Worker*>(param);
  worker->thread = std::thread([worker, dialog] {
    worker->answer = worker->host->ShowMessageBox(dialog, "Turn the power off, then on.", kBoxYesNo | kBoxIconWarning);
    worker->host->SetText(dialog, kStatusText, "Overwriting...");
    worker->host->SetProgress(dialog, kBar, 50);
    worker->host->SetText(dialog, kPercent, "50 %");
    worker->host->EndModal(dialog, 0);
  });
  return 0;
}

TEST(TerminalHost, ABoxFromTheWorkerIsAnsweredWhileTheDialogRuns) {
  Terminal terminal("y\n");
  Worker worker;
  worker.host = &terminal.host;
  intptr_t result = terminal.host.RunModal(res::kProgressDialogTemplate, kNoWindow, StartWorker,
                                           reinterpret_cast<intptr_t>(&worker));
  worker.thread.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(worker.answer, kAnswerYes);
  EXPECT_EQ(terminal.out.str(), std::string(kRule) +
                                    "NORVA TELIX MZ 5100P\n"
                                    "Static\n"
                                    "[....................] 0%\n" +
                                    Box("NORVA TELIX MZ 5100P - Warning", "Turn the power off, then on.\n[Y]es  [N]o\n") +
                                    "Overwriting...\n"
                                    "[##########..........] 50 %\n");
}

}  // namespace
