#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

class QSettings;

// Roots of the per-user settings store. Only prCurrentUser is per user; the
// other roots all map to the machine-wide configuration directory.
enum TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// A settings-store failure; the message is one of "Failed to create key %s",
// "Failed to set data for '%s'", "Failed to get data for '%s'" or
// "Invalid data type for '%s'".
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The program's key (or INI file) in the settings store, open for one
// series of reads or writes. Every value is text.
//
// A key path such as "Software\broodlog" names an INI file under the XDG
// config directory ("$XDG_CONFIG_HOME/Software/broodlog.ini"); a sub-key is
// a group in it. An INI file name (without UseRegistry) is a file of that
// name in the same directory, with the profile-file quoting rule.
// A file of more than a megabyte opened for reading is read only for the
// placement's own values (and its sections), from a copy made aside in
// pieces, so a huge file costs no more than a normal one. A symbolic link to
// the file is written through. Where the file is not a
// regular file (a FIFO, a device, a directory) it is never opened: values
// read as missing and writes fail with "Failed to set data for '%s'".
class TSettingsStore {
 public:
  // Opens a key, creating it (its directory and file) when missing; a
  // read-only open of another root does not create it. Throws
  // ERegistryException "Failed to create key <path>".
  static std::unique_ptr<TSettingsStore> OpenKey(TPlacementRegRoot root, const QString& key_path,
                                                 bool read_only);
  // Opens an INI file by name (relative names lie in the user's config
  // directory).
  static std::unique_ptr<TSettingsStore> OpenIniFile(const QString& file_name, bool read_only);
  ~TSettingsStore();

  // The file that holds the values.
  QString FileName() const;

  // The text of a value, or `def` when it is missing (also when its line in
  // the file does not parse). Throws "Invalid data type for '<name>'" for a
  // value that is not text and "Failed to get data for '<name>'" when the
  // file cannot be read.
  QString ReadString(const QString& section, const QString& name, const QString& def);
  // Writes a value; throws "Failed to set data for '<name>'" when it did not
  // reach the file.
  void WriteString(const QString& section, const QString& name, const QString& value);

  // Directory of the user's per-user settings ($XDG_CONFIG_HOME or ~/.config),
  // looked up afresh on every call so tests can move it.
  static QString UserConfigDir();

 private:
  TSettingsStore(const QString& file, bool read_only, bool ini_quoting);
  QString file_;
  std::unique_ptr<QSettings> settings_;  // none when not_a_file_
  bool read_only_;
  bool ini_quoting_;
  bool not_a_file_;  // a FIFO or the like: read as empty, never opened
  int copy_fd_ = -1;  // a huge file's placement values, read instead of it
};
