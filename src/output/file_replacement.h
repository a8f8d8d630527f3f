#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Replaces a file's content the way an editor saves it; every file the
// program writes for the user goes through here.
//
// - A symbolic link (or a chain of them) is written through: its final
//   target gets the content, the link stays a link.
// - A target that is not a regular file (a directory, FIFO, device,
//   socket) is refused without being opened, so nothing blocks; so is a
//   file the user may not write.
// - Otherwise the content goes to a new file beside the target, is synced
//   and only then renamed over it, with the old file's mode, owner and
//   group; a new file gets 0666 less the umask.
// - Where that cannot be (the file has other hard links, the folder takes
//   no new file, the owner cannot be kept) the content is gathered first
//   and then written in place, after claiming its space, so a full disk
//   fails before the old file changes.
//
// A write that does not complete leaves no partial file behind and the old
// file as it was. Every name and path the file system accepts can be
// written: the target is reached through its folder's descriptor (walked in
// pieces where the path is longer than one call takes), and a name made
// beside it is never longer than the longest name allowed. Such a name
// lives only between a link and a rename; one that a kill left there is
// removed by the next write beside the same target. Errors are EReportError "Cannot create file <name>" (the
// target is refused, or no file can be made for it) and "Cannot write file
// <name>" (the content could not be written whole); <name> is the name as
// the caller gave it.
class TFileReplacement {
 public:
  // Checks the target and opens the place the new content goes. Throws
  // "Cannot create file <name>".
  explicit TFileReplacement(std::string name);
  // Without Commit, drops the new content; the target stays as it was.
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  // Appends to the new content. Throws "Cannot write file <name>".
  void Write(const void* data, std::size_t size);
  void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
  // The descriptor the new content goes to, for writers that want one
  // (opened read-write, positioned at the end of what was written). It
  // stays this object's: never close it. A writer that uses it reports its
  // own failures through Fail().
  int Descriptor() const { return fd_; }
  // Marks the content as broken: Commit then fails and keeps the target.
  void Fail() { failed_ = true; }

  // Puts the new content in the target's place. Throws "Cannot write file
  // <name>"; the target then keeps its old content. Call once.
  void Commit();
  // Puts the file open at `fd`, a complete file of the caller's that has
  // no name (OpenUnnamedTempFile), in the target's place as Commit would the
  // new content: synced, named beside the target, given the target's mode
  // and owner only then, and renamed over it. Returns false, changing
  // nothing, where that cannot be done (the file lies on another file
  // system or cannot be named, the target is written in place); the caller
  // then writes the content here and commits. Throws as Commit.
  bool CommitByLinking(int fd);

  // The name as given, for messages.
  const std::string& Name() const { return name_; }
  // The file that is replaced, after following links (for messages: a
  // path as long as the links made it).
  const std::string& Target() const { return target_; }
  // Whether the content will be written into the existing file itself.
  bool InPlace() const { return target_fd_ >= 0; }

 private:
  [[noreturn]] void Refuse();
  [[noreturn]] void Broken();
  bool OpenBeside(const struct stat* old);
  void OpenInPlace();
  void LinkIntoPlace();
  std::string LinkBeside(int fd) const;
  void CopyInPlace();
  void Close();
  void DropTemp();
  void SyncDirectory() const;

  std::string name_;
  std::string target_;
  int dir_ = -1;         // the target's folder, reached however deep it lies
  std::string base_;     // the target's name in it
  int fd_ = -1;          // the new content
  int target_fd_ = -1;   // the target itself, when written in place
  std::string temp_;     // a named new file beside the target, if any
  bool failed_ = false;
  bool done_ = false;
};

// Replaces the file's whole content with `bytes` through a TFileReplacement.
void ReplaceFile(const std::string& name, std::span<const std::uint8_t> bytes);
