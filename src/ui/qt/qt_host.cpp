#include "ui/qt/qt_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QThread>
#include <QWindow>

#include "resources/resources.h"
#include "ui/qt/qt_words.h"

namespace {

constexpr uint32_t kStyleCaption = 0x00C00000;  // WS_CAPTION
constexpr uint32_t kStyleCentred = 0x00000001;  // SS_CENTER
// The wizard's buttons: 50 by 14 dialog units, 7 from the edges, below a line.
constexpr int kButtonWidth = 50, kButtonHeight = 14, kButtonGap = 7;
// How long a window just shown may take to appear before it is painted anyway.
constexpr int kExposeLimitMs = 2000;

QIcon ProgramIcon() {
  static const QIcon icon(":/updater.ico");
  return icon;
}

// What a static text shows: its line breaks, without carriage returns.
QString Shown(const std::string& text) { return QString::fromUtf8(text.c_str()).remove('\r'); }

// Eats the user's input while it is installed on the application.
class InputEater : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

// The widgets of one window, made on the GUI thread.
struct QtHost::Drawn {
  QPointer<QWidget> widget;
  std::vector<QPointer<QWidget>> controls;  // in template order
  QPointer<QWidget> pageArea, buttonRow;    // the wizard window's
  bool embedded = false;                    // a page inside the wizard window
};

QtHost::QtHost() : gui_(std::make_unique<QObject>()) {
  QFontMetrics metrics(DialogFont());
  // The dialog base units, as the system takes them from the dialog font.
  unitX_ = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  unitY_ = metrics.height();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    SetScreenSize({screen->size().width(), screen->size().height()});
  }
}

QtHost::~QtHost() {
  for (auto& [window, drawn] : drawn_) {
    if (!drawn->embedded) delete drawn->widget.data();
  }
}

bool QtHost::OnGui() const { return QThread::currentThread() == gui_->thread(); }

Rect QtHost::DialogPixels(int x, int y, int width, int height) const {
  return {x * unitX_ / 4, y * unitY_ / 8, (x + width) * unitX_ / 4, (y + height) * unitY_ / 8};
}

Size QtHost::FrameMargins() const {
  Rect row = DialogPixels(0, 0, 0, kButtonHeight + 2 * kButtonGap);
  return {0, row.bottom + 2};
}

void QtHost::OnGuiThread(std::function<void()> action) {
  if (OnGui()) {
    action();
  } else {
    QMetaObject::invokeMethod(gui_.get(), std::move(action), Qt::QueuedConnection);
  }
}

void QtHost::Wake() {
  woken_.store(true);
  QMetaObject::invokeMethod(gui_.get(), [] {}, Qt::QueuedConnection);
}

void QtHost::Woken() { Wake(); }

void QtHost::ProcessUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtHost::WaitForWork(std::unique_lock<std::mutex>& lock) {
  lock.unlock();
  ProcessUntil([this] { return woken_.exchange(false); });
  lock.lock();
}

void QtHost::AwaitingUser(QWidget* where) {
  if (awaiting_) awaiting_(where);
}

void QtHost::EndInput() {
  inputEnded_.store(true);
  OnGuiThread([this] {
    if (openBox_) openBox_->done(0);
  });
  Wake();
}

void QtHost::Changed(Window window) {
  OnGuiThread([this, window] { Sync(window); });
}

void QtHost::Destroyed(Window window) {
  OnGuiThread([this, window] { Drop(window); });
}

intptr_t QtHost::RunModal(int templateId, Window owner, DialogProc proc, intptr_t param) {
  modalTemplates_.push_back(templateId);
  intptr_t result = LayoutHost::RunModal(templateId, owner, proc, param);
  modalTemplates_.pop_back();
  return result;
}

void QtHost::Paint(Window window) {
  LayoutHost::Paint(window);
  if (!OnGui()) return;
  auto it = drawn_.find(window);
  if (it == drawn_.end() || !it->second->widget || !it->second->widget->isVisible()) return;
  // Shown and painted before the caller goes on without taking events: the
  // window must be on the screen first. The user's input waits meanwhile.
  QWidget* widget = it->second->widget;
  QElapsedTimer waited;
  waited.start();
  while (widget->window()->windowHandle() && !widget->window()->windowHandle()->isExposed() &&
         waited.elapsed() < kExposeLimitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
  }
  widget->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtHost::DiscardInput() {
  if (!OnGui()) return;
  // What the display server has queued for the program is read and delivered
  // now, through a filter that lets no input pass; the rest goes on as usual.
  InputEater eater;
  qApp->installEventFilter(&eater);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents();
  qApp->removeEventFilter(&eater);
}

QWidget* QtHost::WidgetOf(Window window) {
  auto it = drawn_.find(window);
  return it == drawn_.end() ? nullptr : it->second->widget.data();
}

QWidget* QtHost::ButtonRow(Window frame) {
  auto it = drawn_.find(frame);
  return it == drawn_.end() ? nullptr : it->second->buttonRow.data();
}

QtHost::Drawn* QtHost::DrawFrame(const WindowState& state) {
  auto drawn = std::make_unique<Drawn>();
  auto* frame = new QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
  frame->setFont(DialogFont());
  frame->setWindowIcon(ProgramIcon());
  Size margins = FrameMargins();
  int width = state.rect.right - state.rect.left, height = state.rect.bottom - state.rect.top;
  frame->setFixedSize(width, height);
  drawn->pageArea = new QWidget(frame);
  drawn->pageArea->setGeometry(0, 0, width, height - margins.height);
  auto* line = new QFrame(frame);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(0, height - margins.height, width, 2);
  drawn->buttonRow = new QWidget(frame);
  Rect gap = DialogPixels(0, 0, kButtonGap, kButtonGap);
  drawn->buttonRow->setGeometry(0, height - margins.height + 2, width, margins.height - 2);
  auto* row = new QHBoxLayout(drawn->buttonRow);
  row->setContentsMargins(gap.right, gap.bottom, gap.right, gap.bottom);
  row->addStretch();
  drawn->widget = frame;
  return drawn_.emplace(state.handle, std::move(drawn)).first->second.get();
}

QtHost::Drawn* QtHost::Draw(Window window, const WindowState& state) {
  if (auto it = drawn_.find(window); it != drawn_.end()) return it->second.get();
  if (state.templateId == 0) return DrawFrame(state);
  const res::DialogLayout* layout = res::FindLayout(state.templateId);
  if (!layout) return nullptr;
  auto drawn = std::make_unique<Drawn>();
  WindowState owner;
  Drawn* ownerDrawn = nullptr;
  if (Snapshot(state.owner, owner)) ownerDrawn = Draw(state.owner, owner);
  Rect size = DialogPixels(0, 0, layout->width, layout->height);
  QFrame* widget;
  if (ownerDrawn && ownerDrawn->pageArea) {
    // A page of the wizard: inside the wizard window's page area.
    widget = new QFrame(ownerDrawn->pageArea);
    drawn->embedded = true;
  } else {
    QWidget* parent = ownerDrawn && ownerDrawn->widget ? ownerDrawn->widget->window() : nullptr;
    Qt::WindowFlags flags = Qt::Dialog;
    if (!(layout->style & kStyleCaption)) flags |= Qt::FramelessWindowHint;
    widget = new QFrame(parent, flags);
    widget->setFrameStyle(QFrame::Panel | QFrame::Raised);  // the modal frame
    widget->setLineWidth(2);
    widget->setWindowIcon(ProgramIcon());
    if (std::count(modalTemplates_.begin(), modalTemplates_.end(), state.templateId) > 0) {
      widget->setWindowModality(Qt::ApplicationModal);
    }
  }
  widget->setFont(DialogFont());
  widget->setFixedSize(size.right, size.bottom);
  drawn->controls.resize(layout->controls.size());
  // The first control of a template lies on top: made last.
  for (size_t i = layout->controls.size(); i-- > 0;) {
    const res::ControlLayout& c = layout->controls[i];
    Rect at = DialogPixels(c.x, c.y, c.width, c.height);
    QWidget* control = nullptr;
    switch (c.kind) {
      case res::ControlKind::Edit: {
        auto* edit = new QPlainTextEdit(widget);
        edit->setReadOnly(true);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        control = edit;
        break;
      }
      case res::ControlKind::Static: {
        auto* label = new QLabel(widget);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | ((c.style & kStyleCentred) ? Qt::AlignHCenter : Qt::AlignLeft));
        control = label;
        break;
      }
      case res::ControlKind::Icon: {
        auto* label = new QLabel(widget);
        label->setPixmap(ProgramIcon().pixmap(32, 32));
        at.right = at.left + 32;  // an icon control takes the icon's size
        at.bottom = at.top + 32;
        control = label;
        break;
      }
      case res::ControlKind::GroupBox:
        control = new QGroupBox(widget);
        break;
      case res::ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(widget);
        bar->setRange(0, 100);
        bar->setTextVisible(false);
        control = bar;
        break;
      }
    }
    control->setFocusPolicy(Qt::NoFocus);  // no control is a tab stop
    control->setGeometry(at.left, at.top, at.right - at.left, at.bottom - at.top);
    drawn->controls[i] = control;
  }
  drawn->widget = widget;
  return drawn_.emplace(window, std::move(drawn)).first->second.get();
}

void QtHost::Sync(Window window) {
  WindowState state;
  if (!Snapshot(window, state)) return;
  Drawn* drawn = Draw(window, state);
  if (!drawn || !drawn->widget) return;
  QWidget* widget = drawn->widget;
  const res::DialogLayout* layout = res::FindLayout(state.templateId);
  for (size_t i = 0; layout && i < drawn->controls.size() && i < state.controls.size(); ++i) {
    QWidget* control = drawn->controls[i];
    const Control& c = state.controls[i];
    if (auto* label = qobject_cast<QLabel*>(control); label && c.kind == res::ControlKind::Static) {
      if (label->text() != Shown(c.text)) label->setText(Shown(c.text));
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
      if (edit->toPlainText() != Shown(c.text)) edit->setPlainText(Shown(c.text));
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
      group->setTitle(Shown(c.text));
    } else if (auto* bar = qobject_cast<QProgressBar*>(control)) {
      bar->setValue(c.position);
    }
  }
  // Every window is titled with the device title.
  widget->setWindowTitle(kDeviceTitle);
  if (drawn->embedded) {
    widget->setVisible(state.visible);
    if (state.visible && !widget->window()->isVisible()) widget->window()->show();
    return;
  }
  if (state.templateId == 0) {
    widget->move(state.rect.left, state.rect.top);
    return;
  }
  widget->move(state.rect.left, state.rect.top);
  widget->setVisible(state.visible);
}

void QtHost::Drop(Window window) {
  auto it = drawn_.find(window);
  if (it == drawn_.end()) return;
  delete it->second->widget.data();
  drawn_.erase(it);
}
