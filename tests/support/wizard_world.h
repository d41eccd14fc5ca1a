// The whole program's world for scenario tests: the simulated device, the test
// host, the wizard with a user who presses the buttons of a script, the virtual
// clock and the run's two records.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "resources/language.h"
#include "resources/resources.h"
#include "support/sim_world.h"
#include "support/test_host.h"
#include "update/update_state.h"
#include "wizard/posix/posix_wizard.h"
#include "wizard/wizard.h"

namespace testing_support {

using Button = WizardUser::Button;

// Names the wizard scenarios share: the pages, button sets and box flags.
namespace wizard_names {
using Shown = std::vector<std::pair<std::string, uint32_t>>;  // boxes as (text, flags)
using Prompted = std::vector<std::pair<int, intptr_t>>;       // prompts as (page, buttons offered)
constexpr int kPrecautions = res::kPrecautionsPageTemplate;
constexpr int kConfirm = res::kConfirmPageTemplate;
constexpr int kResult = res::kResultPageTemplate;
constexpr intptr_t kBackNext = kButtonBack | kButtonNext;
constexpr uint32_t kErrorFlags = kBoxOk | kBoxIconError;              // 0x10
constexpr uint32_t kInformationFlags = kBoxOk | kBoxIconInformation;  // 0x40
constexpr uint32_t kQuitFlags = kBoxIconWarning | kBoxYesNo;          // 0x34
constexpr uint32_t kStartFlags = kBoxIconWarning | kBoxOkCancel;      // 0x31
}  // namespace wizard_names

// Presses the scripted buttons in turn; an empty entry is the end of the input.
class ScriptedUser : public WizardUser {
 public:
  explicit ScriptedUser(TestHost& host) : host_(host) {}
  void Press(std::initializer_list<std::optional<Button>> buttons) {
    for (const auto& button : buttons) script_.push_back(button);
  }
  // Once the script has run out, the user chooses by the page (its template)
  // and the buttons offered.
  void Otherwise(std::function<std::optional<Button>(int page, intptr_t offered)> choose) {
    otherwise_ = std::move(choose);
  }
  std::optional<Button> Choose(Window page, intptr_t offered) override {
    host_.Note({HostEvent::Prompt, page, 0, {}, 0, offered});
    if (script_.empty() && otherwise_) return otherwise_(host_.TemplateOf(page), offered);
    if (script_.empty()) {
      ADD_FAILURE() << "the wizard asked for a button the script does not give (page " << host_.TemplateOf(page) << ")";
      return std::nullopt;
    }
    std::optional<Button> button = script_.front();
    script_.pop_front();
    return button;
  }
  void ButtonsSet(Window wizard, intptr_t buttons) override {
    host_.Note({HostEvent::Buttons, wizard, 0, {}, 0, buttons});
  }
  size_t Unused() const { return script_.size(); }

 private:
  TestHost& host_;
  std::deque<std::optional<Button>> script_;
  std::function<std::optional<Button>(int, intptr_t)> otherwise_;
};

class WizardWorld : public SimWorld {
 protected:
  void SetUp() override {
    SimWorld::SetUp();
    res::SetCurrentLanguage(res::kEnglish);
    SetHost(&host);
    SetWizardHost(&wizard);
    state = {0, 1, 1};
    gUpdateState = &state;
    gDeviceLink = &link;
  }
  void TearDown() override {
    EXPECT_EQ(host.UnusedAnswers(), 0u) << "message boxes the run never showed";
    EXPECT_EQ(user.Unused(), 0u) << "buttons the run never asked for";
    EXPECT_EQ(wizard.UndocumentedAnswers(), 0) << "notifications answered with values Windows reads otherwise";
    gUpdateState = nullptr;
    gDeviceLink = nullptr;
    SetWizardHost(nullptr);
    SetHost(nullptr);
    res::SetCurrentLanguage(0);
    SimWorld::TearDown();
  }
  // Starts the scenario with the records as the entry point fills them.
  void Start(const sim::Scenario& scenario) {
    SimWorld::Start(scenario);
    gDeviceLink = &link;
  }
  void Run() { RunUpdateWizard(kNoWindow); }

  static std::string Text(int id) {
    char text[res::kTextBufferSize];
    res::LoadText(id, text, sizeof text);
    return text;
  }
  // The boxes shown, as (text, flags), in order.
  std::vector<std::pair<std::string, uint32_t>> Boxes() const {
    std::vector<std::pair<std::string, uint32_t>> boxes;
    for (const HostEvent& e : host.Boxes()) boxes.emplace_back(e.text, e.flags);
    return boxes;
  }
  // The button sets the pages posted, in order.
  std::vector<intptr_t> ButtonSets() const {
    std::vector<intptr_t> sets;
    for (const HostEvent& e : host.EventsOf(HostEvent::Buttons)) sets.push_back(e.value);
    return sets;
  }
  // The templates of the windows that owned the boxes, in order.
  std::vector<int> BoxOwners() const {
    std::vector<int> owners;
    for (const HostEvent& e : host.Boxes()) owners.push_back(e.templateId);
    return owners;
  }
  // The pages the user was asked on, by template, with the buttons offered.
  std::vector<std::pair<int, intptr_t>> Prompts() const {
    std::vector<std::pair<int, intptr_t>> prompts;
    for (const HostEvent& e : host.EventsOf(HostEvent::Prompt)) prompts.emplace_back(e.templateId, e.value);
    return prompts;
  }

  TestHost host;
  ScriptedUser user{host};
  PosixWizard wizard{host, user};
  UpdateState state{0, 1, 1};
};

}  // namespace testing_support
