#include "platform/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "output/temp_file.h"

namespace {

QString MachineConfigDir() {
  const QString user = TSettingsStore::UserConfigDir();
  for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
    if (dir != user) return dir;
  return QStringLiteral("/etc/xdg");
}

QString KeyFile(TPlacementRegRoot root, const QString& key_path) {
  QString rel = key_path;
  rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (rel.startsWith(QLatin1Char('/'))) rel.remove(0, 1);
  const QString base = root == prCurrentUser ? TSettingsStore::UserConfigDir() : MachineConfigDir();
  return base + QLatin1Char('/') + rel + QStringLiteral(".ini");
}

// Something other than a regular file where the values live (after any
// links): a FIFO would block every read and write for good, so the store
// never opens it.
bool IsNotAFile(const QString& file) {
  struct stat st {};
  return ::stat(QFile::encodeName(file).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Creates the file (and its directory) so that the key exists. Something
// that is not a file already stands for the key; the store then reads
// nothing and refuses writes.
bool CreateKeyFile(const QString& file) {
  if (QFileInfo(file).isFile() || IsNotAFile(file)) return true;
  if (!QDir().mkpath(QFileInfo(file).path())) return false;
  QFile f(file);
  return f.open(QIODevice::WriteOnly | QIODevice::Append);
}

QString GroupKey(const QString& section, const QString& name) {
  QString group = section;
  group.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return group.isEmpty() ? name : group + QLatin1Char('/') + name;
}

}  // namespace

QString TSettingsStore::UserConfigDir() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

namespace {

// Above this size a file opened for reading holds far more than a window's
// placement: only what the placement reads is taken from it.
constexpr off_t kWholeFileBytes = off_t(1) << 20;
constexpr std::size_t kLongestLine = 4096;
const char* const kPlacementKeys[] = {"FormVersion", "Flags",   "ShowCmd",      "PixelsPerInch",
                                      "MinMaxPos",   "NormPos", "ActiveControl", "Visible"};

bool PlacementLine(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (!line.empty() && line.front() == '[') return true;  // a section
  for (const char* key : kPlacementKeys)
    if (line.substr(0, std::strlen(key)) == key) return true;
  return false;
}

// A copy, in a file without a name, of a large file's section lines and
// placement values (lines no longer than a placement's), read in pieces;
// -1 where the file is small, cannot be read, or the copy cannot be made.
int PlacementCopy(const QString& file) {
  const int in = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return -1;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= kWholeFileBytes) {
    ::close(in);
    return -1;
  }
  int out = -1;
  try {
    out = OpenUnnamedTempFile();
  } catch (const std::exception&) {
    ::close(in);
    return -1;
  }
  std::string line, kept;
  bool too_long = false;
  char buf[65536];
  auto end_line = [&] {
    if (!too_long && PlacementLine(line)) kept += line + '\n';
    line.clear();
    too_long = false;
  };
  for (ssize_t n; (n = ::read(in, buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') {
        end_line();
      } else if (line.size() < kLongestLine) {
        line += buf[i];
      } else {
        too_long = true;
      }
    }
  }
  end_line();
  ::close(in);
  if (::write(out, kept.data(), kept.size()) != ssize_t(kept.size())) {
    ::close(out);
    return -1;
  }
  return out;
}

}  // namespace

TSettingsStore::TSettingsStore(const QString& file, bool read_only, bool ini_quoting)
    : file_(file), read_only_(read_only), ini_quoting_(ini_quoting), not_a_file_(IsNotAFile(file)) {
  if (not_a_file_) return;
  // QSettings reads its file as it is made, all of it: a huge file is read
  // through its placement copy, so it costs no more than a normal one.
  if (read_only_) copy_fd_ = PlacementCopy(file);
  const QString source = copy_fd_ >= 0 ? QStringLiteral("/proc/self/fd/%1").arg(copy_fd_) : file;
  settings_ = std::make_unique<QSettings>(source, QSettings::IniFormat);
}

TSettingsStore::~TSettingsStore() {
  settings_.reset();
  if (copy_fd_ >= 0) ::close(copy_fd_);
}

std::unique_ptr<TSettingsStore> TSettingsStore::OpenKey(TPlacementRegRoot root, const QString& key_path,
                                                        bool read_only) {
  const QString file = KeyFile(root, key_path);
  // The user's key is created even for reading; other roots only for writing.
  if ((root == prCurrentUser || !read_only) && !CreateKeyFile(file))
    throw ERegistryException(QStringLiteral("Failed to create key %1").arg(key_path).toStdString());
  return std::unique_ptr<TSettingsStore>(new TSettingsStore(file, read_only, false));
}

std::unique_ptr<TSettingsStore> TSettingsStore::OpenIniFile(const QString& file_name, bool read_only) {
  const QString file =
      QDir::isAbsolutePath(file_name) ? file_name : UserConfigDir() + QLatin1Char('/') + file_name;
  return std::unique_ptr<TSettingsStore>(new TSettingsStore(file, read_only, true));
}

QString TSettingsStore::FileName() const { return settings_ && copy_fd_ < 0 ? settings_->fileName() : file_; }

QString TSettingsStore::ReadString(const QString& section, const QString& name, const QString& def) {
  if (not_a_file_) return def;
  const QString key = GroupKey(section, name);
  // A file that could not be read fails; one with lines that do not parse
  // gives what could be read, and defaults for the rest.
  if (settings_->status() == QSettings::AccessError)
    throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name).toStdString());
  if (!settings_->contains(key)) return def;
  const QVariant v = settings_->value(key);
  QString text;
  if (v.typeId() == QMetaType::QString) {
    text = v.toString();
  } else if (v.typeId() == QMetaType::QStringList) {
    // An unquoted value with commas, as a person may type it into the file.
    text = v.toStringList().join(QLatin1Char(','));
  } else {
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name).toStdString());
  }
  if (ini_quoting_ && text.size() >= 2 && text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"'))
    text = text.mid(1, text.size() - 2);
  return text;
}

void TSettingsStore::WriteString(const QString& section, const QString& name, const QString& value) {
  QString text = value;
  // Profile files strip one pair of quotes when reading, so a quoted text
  // gets an extra pair.
  if (ini_quoting_ && text.size() >= 2 &&
      ((text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"')) ||
       (text.front() == QLatin1Char('\'') && text.back() == QLatin1Char('\''))))
    text = QLatin1Char('"') + text + QLatin1Char('"');
  if (read_only_ || not_a_file_)
    throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name).toStdString());
  const QString key = GroupKey(section, name);
  settings_->setValue(key, text);
  settings_->sync();
  if (settings_->status() == QSettings::NoError) return;
  // The status keeps the first error met, which may be a format error from
  // reading a damaged file that this very write has replaced; so read the
  // file afresh to see whether the value really arrived.
  const QSettings written(settings_->fileName(), QSettings::IniFormat);
  if (settings_->status() == QSettings::AccessError || written.status() != QSettings::NoError ||
      written.value(key).toString() != text)
    throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name).toStdString());
}
