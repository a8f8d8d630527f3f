#include "output/page_stream.h"

#include <algorithm>
#include <cstring>

#include "output/file_replacement.h"
#include "output/file_stream.h"
#include "output/temp_file.h"
#include "definition/report_error.h"

TPageStream::TPageStream(std::int32_t memory_limit) : memory_limit_(memory_limit) {}

std::unique_ptr<TPageStream> TPageStream::CreateFromFile(const std::string& file_name) {
  std::unique_ptr<TPageStream> s(new TPageStream());
  s->file_ = std::make_unique<TFileStream>(file_name, TFileStream::TMode::ReadOnly);
  s->in_memory_ = false;
  s->memory_limit_ = 0;
  return s;
}

std::unique_ptr<TPageStream> TPageStream::CreateFromBytes(std::vector<unsigned char> bytes) {
  std::unique_ptr<TPageStream> s(new TPageStream());
  s->memory_ = std::move(bytes);
  s->read_only_ = true;
  return s;
}

TPageStream::~TPageStream() {
  std::lock_guard guard(lock_);
  file_.reset();  // an unnamed temporary file goes with its descriptor
}

int TPageStream::TempFileDescriptor() const { return temp_file_ && file_ ? file_->Descriptor() : -1; }

std::size_t TPageStream::Read(void* buffer, std::size_t count) {
  std::lock_guard guard(lock_);
  if (!in_memory_) return file_->Read(buffer, count);
  std::int64_t size = static_cast<std::int64_t>(memory_.size());
  if (memory_pos_ >= size) return 0;
  std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(size - memory_pos_));
  std::memcpy(buffer, memory_.data() + memory_pos_, n);
  memory_pos_ += static_cast<std::int64_t>(n);
  return n;
}

void TPageStream::MoveToFile() {
  const std::string name = TempFilePattern();
  std::unique_ptr<TFileStream> file = std::make_unique<TFileStream>(OpenUnnamedTempFile(), name, true);
  try {
    file->WriteAll(memory_.data(), memory_.size());
    file->Flush();  // a full disk must fail the move, not a later write
  } catch (...) {
    throw EReportError("Cannot create file %1", {name});
  }
  file->Seek(memory_pos_, TSeekOrigin::Begin);
  file->SetWriteOutEarly(write_out_early_);
  temp_file_ = true;
  file_ = std::move(file);
  std::vector<unsigned char>().swap(memory_);
  in_memory_ = false;
}

std::size_t TPageStream::Write(const void* buffer, std::size_t count) {
  std::lock_guard guard(lock_);
  if (count == 0) return 0;
  if (read_only_ && in_memory_) throw EReportError("Cannot write to a saved report held in memory");
  if (in_memory_) {
    std::int64_t new_size =
        std::max<std::int64_t>(static_cast<std::int64_t>(memory_.size()),
                               memory_pos_ + static_cast<std::int64_t>(count));
    // Move before writing, so that a failed move leaves the stream as it
    // was; the content ends up the same as writing first.
    if (new_size > memory_limit_) {
      MoveToFile();
    } else {
      if (static_cast<std::size_t>(new_size) > memory_.size()) memory_.resize(new_size);
      std::memcpy(memory_.data() + memory_pos_, buffer, count);
      memory_pos_ += static_cast<std::int64_t>(count);
      return count;
    }
  }
  // Written through at once: a full disk must fail this write, where the
  // caller can still undo it, not a later one.
  const std::size_t done = file_->Write(buffer, count);
  if (write_through_) file_->Flush();
  return done;
}

void TPageStream::SetWriteOutEarly(bool on) {
  std::lock_guard guard(lock_);
  write_out_early_ = on;
  if (file_) file_->SetWriteOutEarly(on);
}

std::int64_t TPageStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::lock_guard guard(lock_);
  if (!in_memory_) return file_->Seek(offset, origin);
  std::int64_t base = origin == TSeekOrigin::Begin     ? 0
                      : origin == TSeekOrigin::Current ? memory_pos_
                                                       : static_cast<std::int64_t>(memory_.size());
  memory_pos_ = std::max<std::int64_t>(0, base + offset);
  return memory_pos_;
}

void TPageStream::Truncate(std::int64_t size) {
  std::lock_guard guard(lock_);
  if (read_only_ && in_memory_) throw EReportError("Cannot write to a saved report held in memory");
  if (in_memory_) {
    if (size < static_cast<std::int64_t>(memory_.size())) memory_.resize(static_cast<std::size_t>(size));
    memory_pos_ = std::min(memory_pos_, size);
  } else {
    file_->Truncate(size);
  }
}

std::int64_t TPageStream::Size() {
  std::lock_guard guard(lock_);
  return in_memory_ ? static_cast<std::int64_t>(memory_.size()) : file_->Size();
}

void TPageStream::CopyChunks(std::size_t size, const std::function<void(const unsigned char*, std::size_t)>& write) {
  std::lock_guard guard(lock_);
  Seek(0, TSeekOrigin::Begin);
  std::vector<unsigned char> chunk(size);
  for (;;) {
    const std::size_t got = Read(chunk.data(), chunk.size());
    if (got == 0) break;
    write(chunk.data(), got);
  }
}

void TPageStream::CopyTo(TStream& target) {
  CopyChunks(CopyChunk, [&](const unsigned char* data, std::size_t size) { target.WriteAll(data, size); });
}

void TPageStream::CopyTo(TFileReplacement& target) {
  // A file takes larger writes: fewer calls for a report of many pages.
  CopyChunks(std::size_t(1) << 16, [&](const unsigned char* data, std::size_t size) { target.Write(data, size); });
}

bool TPageStream::LinkTempFileTo(TFileReplacement& target) {
  std::lock_guard guard(lock_);
  if (in_memory_ || !temp_file_) return false;
  try {
    file_->Flush();
  } catch (const EReportError&) {
    throw EReportError("Cannot write file %1", {target.Name()});
  }
  return target.CommitByLinking(file_->Descriptor());
}
