#include "widgets/placement.h"

#include <QTimer>
#include <stdexcept>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <exception>

#include "platform/application.h"

namespace {

// Show commands and placement flags as the store records them.
constexpr int kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShowMaximized = 3;
constexpr int kWpfRestoreToMaximized = 2;

QStringList Words(const QString& text) {
  static const QRegularExpression separators(QStringLiteral("[ ,]+"));
  return text.split(separators, Qt::SkipEmptyParts);
}

int WordAsInt(const QStringList& words, int i, int def) {
  if (i >= words.size()) return def;
  bool ok = false;
  const int v = words[i].toInt(&ok);
  return ok ? v : def;
}

QScreen* ScreenOf(const QWidget* w) {
  QScreen* s = w->screen();
  return s ? s : QGuiApplication::primaryScreen();
}

int PixelsPerInch(const QWidget* w) {
  QScreen* s = ScreenOf(w);
  return s ? int(std::lround(s->logicalDotsPerInchY())) : 96;
}

// Sizeable border: the window's size is not fixed.
bool Sizeable(const QWidget* w) { return w->minimumSize() != w->maximumSize(); }

}  // namespace

// ------------------------------------------------------------ TMinMaxLimits

bool TMinMaxLimits::Empty() const {
  return max_pos_.isNull() && max_size_.isNull() && max_track_.isNull() && min_track_.isNull();
}

void TMinMaxLimits::Assign(const TMinMaxLimits& other) {
  max_pos_ = other.max_pos_;
  max_size_ = other.max_size_;
  max_track_ = other.max_track_;
  min_track_ = other.min_track_;
  if (owner_) owner_->LimitsChanged();
}

void TMinMaxLimits::Set(int& field, int v) {
  if (field == v) return;
  field = v;
  if (owner_) owner_->LimitsChanged();
}

// ------------------------------------------------------------ TPlacementKeeper

TPlacementKeeper::TPlacementKeeper(QWidget* owner) : QObject(nullptr), owner_(owner) {
  if (!owner_) {
    options_ = 0;
    return;
  }
  // Hook the window: its show and close events pass through eventFilter.
  owner_->installEventFilter(this);
  default_maximize_ = owner_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
}

TPlacementKeeper::~TPlacementKeeper() {
  // The window's destroy hook: a window destroyed without a close since its
  // last showing saves now, recording that it was still there.
  if (owner_ && active_ && restored_ && !saved_) {
    destroying_ = true;
    Reported([this] { SaveWindowPlacement(); });
  }
  CloseStore();
  if (owner_) {
    owner_->removeEventFilter(this);
    if (limits_applied_) {
      owner_->setMinimumSize(owner_min_);
      owner_->setMaximumSize(owner_max_);
    }
  }
}

void TPlacementKeeper::Reported(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    TApplication::ShowException(e);
  }
}

bool TPlacementKeeper::eventFilter(QObject* watched, QEvent* e) {
  if (watched != owner_) return QObject::eventFilter(watched, e);
  switch (e->type()) {
    case QEvent::Show:
      // A show by the program, not the window system's un-minimize.
      // A failure is told once the window is up, never from inside its
      // show: a message box running there would keep the window from
      // appearing (a modal dialog went away with it).
      if (!e->spontaneous() && active_) {
        try {
          RestoreWindowPlacement();
        } catch (const std::exception& failure) {
          QTimer::singleShot(0, QCoreApplication::instance(), [message = std::string(failure.what())] {
            TApplication::ShowException(std::runtime_error(message));
          });
        }
      }
      return false;  // then the window's own show handling
    case QEvent::Close: {
      // The window's own close query first; it decides by accepting.
      QObject* target = owner_;
      target->event(e);
      if (e->isAccepted() && active_ && owner_ && owner_->isVisible())
        Reported([this] { SaveWindowPlacement(); });
      return true;  // already delivered
    }
    default:
      return false;
  }
}

QString TPlacementKeeper::DefaultStoreName() const {
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  if (use_registry_) return QStringLiteral("Software\\") + exe.completeBaseName();
  return exe.completeBaseName() + QStringLiteral(".INI");
}

QString TPlacementKeeper::DefaultSectionName() const {
  return owner_ ? QString::fromLatin1(owner_->metaObject()->className()) : QString();
}

void TPlacementKeeper::OpenStore(bool read_only) {
  if (store_) return;
  store_ = use_registry_ ? TSettingsStore::OpenKey(root_, StoreName(), read_only)
                         : TSettingsStore::OpenIniFile(StoreName(), read_only);
}

void TPlacementKeeper::CloseStore() { store_.reset(); }

template <typename Action>
auto TPlacementKeeper::WithStore(bool read_only, Action action) {
  // A store opened here is closed again after the one access; one opened by
  // the caller stays open for its further reads and writes.
  const bool was_open = bool(store_);
  OpenStore(read_only);
  struct Closer {
    TPlacementKeeper* keeper;
    bool keep;
    ~Closer() {
      if (!keep) keeper->CloseStore();
    }
  } closer{this, was_open};
  return action(*store_);
}

QString TPlacementKeeper::ReadStoreString(const QString& section, const QString& name, const QString& def) {
  return WithStore(true, [&](TSettingsStore& store) { return store.ReadString(section, name, def); });
}

void TPlacementKeeper::WriteStoreString(const QString& section, const QString& name, const QString& value) {
  WithStore(false, [&](TSettingsStore& store) { store.WriteString(section, name, value); });
}

int TPlacementKeeper::ReadStoreInteger(const QString& name, int def) {
  const QString text = ReadStoreString(SectionName(), name, QString());
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok ? v : def;
}

void TPlacementKeeper::WriteStoreInteger(const QString& name, int value) {
  WriteStoreString(SectionName(), name, QString::number(value));
}

QString TPlacementKeeper::ScreenSuffixed(const QString& name) const {
  QScreen* s = owner_ ? ScreenOf(owner_) : QGuiApplication::primaryScreen();
  const QSize size = s ? s->geometry().size() : QSize();
  return QStringLiteral("%1(%2x%3)").arg(name).arg(size.width()).arg(size.height());
}

QString TPlacementKeeper::ReadSuffixed(const QString& name) {
  QString text = ReadStoreString(SectionName(), ScreenSuffixed(name), QString());
  if (text.isEmpty()) text = ReadStoreString(SectionName(), name, QString());
  return text;
}

void TPlacementKeeper::SaveWindowPlacement() {
  if (!restored_ && active_) return;
  struct Closer {
    TPlacementKeeper* k;
    ~Closer() { k->CloseStore(); }
  } closer{this};
  OpenStore(false);
  WriteStoreInteger(QStringLiteral("FormVersion"), version_);
  if (owner_) WritePlacementValues();
  Save();
  saved_ = true;
}

void TPlacementKeeper::WritePlacementValues() {
  QWidget* w = owner_;
  if (options_ & (fpState | fpPosition)) {
    const Qt::WindowStates state = w->windowState();
    int show_cmd = kSwShowNormal;
    int flags = 0;
    if (state & Qt::WindowMinimized) {
      show_cmd = kSwShowMinimized;
      if (state & Qt::WindowMaximized) flags |= kWpfRestoreToMaximized;
    } else if (state & Qt::WindowMaximized) {
      show_cmd = kSwShowMaximized;
    }
    // The restored rectangle of the client area: the frame is not known
    // before the window manager maps the window, so the frame rectangle
    // would not read back the same.
    QRect normal = (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
                       ? w->normalGeometry()
                       : w->geometry();
    if (!normal.isValid()) normal = w->geometry();
    if (!PlatformPlacesWindows()) {
      // The position reads as nothing here; keep the one last stored.
      const QStringList stored = Words(ReadSuffixed(QStringLiteral("NormPos")));
      normal.moveTo(WordAsInt(stored, 0, normal.left()), WordAsInt(stored, 1, normal.top()));
    }
    const QString min_max =
        QStringLiteral("%1,%2,%3,%4").arg(min_pos_.x()).arg(min_pos_.y()).arg(max_pos_.x()).arg(max_pos_.y());
    const QString norm = QStringLiteral("%1,%2,%3,%4")
                             .arg(normal.left())
                             .arg(normal.top())
                             .arg(normal.left() + normal.width())
                             .arg(normal.top() + normal.height());
    const QString section = SectionName();
    WriteStoreInteger(QStringLiteral("Flags"), flags);
    WriteStoreInteger(QStringLiteral("ShowCmd"), show_cmd);
    WriteStoreInteger(QStringLiteral("PixelsPerInch"), PixelsPerInch(w));
    WriteStoreString(section, ScreenSuffixed(QStringLiteral("MinMaxPos")), min_max);
    WriteStoreString(section, QStringLiteral("MinMaxPos"), min_max);
    WriteStoreString(section, ScreenSuffixed(QStringLiteral("NormPos")), norm);
    WriteStoreString(section, QStringLiteral("NormPos"), norm);
    WriteStoreString(section, QStringLiteral("Visible"), destroying_ ? QStringLiteral("1") : QStringLiteral("0"));
  }
  if (options_ & fpActiveControl) {
    QWidget* focused = w->focusWidget();
    if (focused && focused != w && w->isAncestorOf(focused) && !focused->objectName().isEmpty())
      WriteStoreString(SectionName(), QStringLiteral("ActiveControl"), focused->objectName());
  }
}

void TPlacementKeeper::RestoreWindowPlacement() {
  saved_ = false;
  struct Closer {
    TPlacementKeeper* k;
    ~Closer() { k->CloseStore(); }
  } closer{this};
  OpenStore(true);
  if (ReadStoreInteger(QStringLiteral("FormVersion"), 0) >= version_) {
    if (owner_) ReadPlacementValues();
    restored_ = true;
    Restore();
    if (owner_ && (options_ & fpActiveControl)) {
      const QString name = ReadStoreString(SectionName(), QStringLiteral("ActiveControl"), QString());
      QWidget* control = name.isEmpty() ? nullptr : owner_->findChild<QWidget*>(name);
      if (control && control->focusPolicy() != Qt::NoFocus && control->isEnabled())
        control->setFocus(Qt::OtherFocusReason);
    }
  }
  restored_ = true;
  CloseStore();
  ApplyMaximizedPosition();
}

void TPlacementKeeper::ReadPlacementValues() {
  QWidget* w = owner_;
  if (!(options_ & (fpState | fpPosition))) return;
  if (options_ & fpPosition) {
    ReadStoreInteger(QStringLiteral("Flags"), 0);  // nothing on this platform uses the flags
    const QString min_max = ReadSuffixed(QStringLiteral("MinMaxPos"));
    if (!min_max.isEmpty()) {
      const QStringList words = Words(min_max);
      min_pos_ = QPoint(WordAsInt(words, 0, 0), WordAsInt(words, 1, 0));
      max_pos_ = QPoint(WordAsInt(words, 2, 0), WordAsInt(words, 3, 0));
    }
    const QRect current = w->geometry();
    QRect normal = current;
    const QString norm = ReadSuffixed(QStringLiteral("NormPos"));
    int left = current.left(), top = current.top();
    int right = current.left() + current.width(), bottom = current.top() + current.height();
    if (!norm.isEmpty()) {
      const QStringList words = Words(norm);
      left = WordAsInt(words, 0, current.left());
      top = WordAsInt(words, 1, current.top());
      right = WordAsInt(words, 2, current.left() + current.width());
      bottom = WordAsInt(words, 3, current.top() + current.height());
    }
    const int ppi = ReadStoreInteger(QStringLiteral("PixelsPerInch"), PixelsPerInch(w));
    if ((!min_max.isEmpty() || !norm.isEmpty()) && ppi == PixelsPerInch(w)) {
      if (!Sizeable(w)) {
        right = left + current.width();
        bottom = top + current.height();
      }
      if (left < right) {
        normal = QRect(left, top, right - left, bottom - top);
        // Placing it also ends any centring on show (the window has moved).
        if (PlatformPlacesWindows()) w->setGeometry(normal);
        else w->resize(normal.size());
      }
    }
  }
  if (options_ & fpState) {
    Qt::WindowState state = Qt::WindowNoState;  // no window here opens at a platform-chosen place
    switch (ReadStoreInteger(QStringLiteral("ShowCmd"), kSwHide)) {
      case 1: case 5: case 9: state = Qt::WindowNoState; break;
      case 2: case 6: case 7: state = Qt::WindowMinimized; break;
      case 3: state = Qt::WindowMaximized; break;
      default: break;
    }
    const Qt::WindowStates keep = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    w->setWindowState(keep | state);
  }
  w->update();
}

bool TPlacementKeeper::PlatformPlacesWindows() const {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void TPlacementKeeper::ApplyMaximizedPosition() {
  if (!owner_ || !owner_->testAttribute(Qt::WA_WState_Created) || prevent_resize_ || !min_max_.Empty()) return;
  const QMargins frame = owner_->windowHandle() ? owner_->windowHandle()->frameMargins() : QMargins();
  max_pos_ = QPoint(-frame.left(), -frame.top());
}

void TPlacementKeeper::SetPreventResize(bool on) {
  if (!owner_ || on == prevent_resize_) return;
  prevent_resize_ = on;
  ApplyMaximizedPosition();
  ApplyPreventResize();
}

void TPlacementKeeper::ApplyPreventResize() {
  // A window that cannot be resized cannot be maximized either: its fixed
  // size leaves the window manager nothing to maximize to.
  UpdateMessageHook();
}

void TPlacementKeeper::LimitsChanged() {
  ApplyMaximizedPosition();
  UpdateMessageHook();
}

void TPlacementKeeper::UpdateMessageHook() {
  if (!owner_) return;
  const bool wanted = prevent_resize_ || !min_max_.Empty();
  if (wanted && !limits_applied_) {
    owner_min_ = owner_->minimumSize();
    owner_max_ = owner_->maximumSize();
    limits_applied_ = true;
  }
  if (!wanted) {
    if (limits_applied_) {
      owner_->setMinimumSize(owner_min_);
      owner_->setMaximumSize(owner_max_);
      limits_applied_ = false;
    }
    return;
  }
  if (prevent_resize_) {
    owner_->setFixedSize(owner_->size());
    return;
  }
  owner_->setMinimumSize(min_max_.MinTrackWidth() ? min_max_.MinTrackWidth() : owner_min_.width(),
                         min_max_.MinTrackHeight() ? min_max_.MinTrackHeight() : owner_min_.height());
  owner_->setMaximumSize(min_max_.MaxTrackWidth() ? min_max_.MaxTrackWidth() : owner_max_.width(),
                         min_max_.MaxTrackHeight() ? min_max_.MaxTrackHeight() : owner_max_.height());
}

void TPlacementKeeper::Save() {
  if (OnSavePlacement) OnSavePlacement(this);
}

void TPlacementKeeper::Restore() {
  if (OnRestorePlacement) OnRestorePlacement(this);
}
