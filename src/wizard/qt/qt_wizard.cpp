#include "wizard/qt/qt_wizard.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

#include "resources/resources.h"
#include "ui/qt/qt_words.h"

struct QtWizardUser::Buttons : QObject {
  struct Key {
    QPointer<QPushButton> button;
    QChar letter;
    Button pressing;
  };
  QPointer<QWidget> frame;
  std::vector<Key> keys;  // Back, Next, Finish, Cancel
  QPointer<QPushButton> defaultButton;
  std::optional<Button> pressed;
  bool waiting = false;

  QPushButton* Of(Button which) const {
    for (const Key& key : keys) {
      if (key.pressing == which) return key.button;
    }
    return nullptr;
  }

  void Make(QWidget* window, QWidget* row) {
    for (const Key& key : keys) delete key.button.data();
    keys.clear();
    frame = window;
    const struct {
      int word;
      const char *before, *after;
      Button pressing;
    } made[] = {{res::kTextButtonBack, "< ", "", Button::Back},
                {res::kTextButtonNext, "", " >", Button::Next},
                {res::kTextButtonFinish, "", "", Button::Finish},
                {res::kTextButtonCancel, "", "", Button::Cancel}};
    QFontMetrics metrics(row->font());
    for (const auto& m : made) {
      auto* button = new QPushButton(m.before + ButtonLabel(m.word) + m.after, row);
      // 50 by 14 dialog units, or wider for a longer word.
      Rect size = Rect{0, 0, 0, 0};
      size.right = row->fontMetrics().averageCharWidth() * 50 / 4;
      button->setMinimumWidth(std::max(size.right, button->sizeHint().width()));
      button->setAutoDefault(false);
      if (m.pressing == Button::Cancel) static_cast<QBoxLayout*>(row->layout())->addSpacing(metrics.averageCharWidth() * 2);
      row->layout()->addWidget(button);
      button->show();  // made after the window may have been shown
      connect(button, &QPushButton::clicked, this, [this, which = m.pressing] {
        if (waiting) pressed = which;
      });
      keys.push_back({button, ButtonLetter(m.word), m.pressing});
    }
  }

  void Press(QPushButton* button) {
    if (button && button->isVisible() && button->isEnabled()) button->click();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !frame || widget->window() != frame) return false;
    if (event->type() == QEvent::Close && watched == frame) {
      // The close button is Cancel; the window goes only when the wizard ends.
      event->ignore();
      if (waiting) Press(Of(Button::Cancel));
      return true;
    }
    if (event->type() != QEvent::KeyPress || !waiting) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;  // Alt and a letter: the buttons' own
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Press(defaultButton);
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      Press(Of(Button::Cancel));
      return true;
    }
    QString typed = key->text().toLower();
    for (const Key& k : keys) {
      if (typed.size() == 1 && typed.at(0) == k.letter && k.button->isVisible() && k.button->isEnabled()) {
        Press(k.button);
        return true;
      }
    }
    return false;
  }
};

QtWizardUser::QtWizardUser(QtHost& host) : host_(host), buttons_(std::make_unique<Buttons>()) {
  qApp->installEventFilter(buttons_.get());
}

QtWizardUser::~QtWizardUser() { qApp->removeEventFilter(buttons_.get()); }

std::optional<WizardUser::Button> QtWizardUser::Choose(Window page, intptr_t offered) {
  Window frame = host_.Parent(page);
  QWidget* window = host_.WidgetOf(frame);
  QWidget* row = host_.ButtonRow(frame);
  if (!window || !row || host_.InputEnded()) return std::nullopt;
  if (buttons_->frame != window) buttons_->Make(window, row);
  // Finish takes the place of Next where it is offered, as in the system's wizard.
  bool finish = offered & kButtonFinish;
  buttons_->Of(Button::Back)->setEnabled(offered & kButtonBack);
  buttons_->Of(Button::Next)->setVisible(!finish);
  buttons_->Of(Button::Next)->setEnabled(offered & kButtonNext);
  buttons_->Of(Button::Finish)->setVisible(finish);
  buttons_->defaultButton = buttons_->Of(finish ? Button::Finish : Button::Next);
  for (const Buttons::Key& key : buttons_->keys) key.button->setDefault(key.button == buttons_->defaultButton);
  if (!window->isVisible()) window->show();
  window->activateWindow();
  buttons_->defaultButton->setFocus();
  buttons_->pressed.reset();
  buttons_->waiting = true;
  host_.AwaitingUser(window);
  host_.ProcessUntil([&] { return buttons_->pressed.has_value() || host_.InputEnded(); });
  buttons_->waiting = false;
  return buttons_->pressed;
}
