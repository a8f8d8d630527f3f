// emf_check FILE...: an enhanced metafile's structure as libUEMF reads it,
// independent of our own player. Per file it checks every record's size
// and contents (libUEMF's U_emf_record_sizeok and U_emf_record_safe), the
// header (signature, version, totals, frame and bounds), the object
// table (created into a free slot below nHandles, selected and deleted only
// while it exists, nothing left at the end), the saved states and the EOF
// record, and prints "FILE: N record(s), E error(s)" after each error.
// Exit status: 0 when no file has errors, 1 otherwise, 2 on a wrong call.

#include <uemf.h>
#include <uemf_endian.h>
#include <uemf_safe.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class TCheck {
 public:
  explicit TCheck(std::string file) : file_(std::move(file)) {}

  int Run() {
    std::ifstream in(file_, std::ios::binary);
    if (!in) return Error("cannot be read"), Report();
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    if (bytes_.size() < U_SIZE_EMRHEADER_MIN) return Error("shorter than a header"), Report();
    Header();
    Records();
    return Report();
  }

 private:
  void Error(const std::string& what, long offset = -1) {
    ++errors_;
    if (offset >= 0) std::printf("%s: record %u at %ld: %s\n", file_.c_str(), records_, offset, what.c_str());
    else std::printf("%s: %s\n", file_.c_str(), what.c_str());
  }

  int Report() {
    std::printf("%s: %u record(s), %u error(s)\n", file_.c_str(), records_, errors_);
    return errors_ == 0 ? 0 : 1;
  }

  void Header() {
    const auto* h = reinterpret_cast<const U_EMRHEADER*>(bytes_.data());
    if (h->emr.iType != U_EMR_HEADER) return Error("the first record is no header");
    if (h->dSignature != U_ENHMETA_SIGNATURE) Error("wrong signature");
    if (h->nVersion != U_ENHMETA_VERSION) Error("wrong version");
    if (h->nBytes != bytes_.size())
      Error("header says " + std::to_string(h->nBytes) + " bytes, the file has " + std::to_string(bytes_.size()));
    if (h->sReserved != 0) Error("sReserved is not 0");
    if (h->nDescription != 0 && std::uint64_t(h->offDescription) + 2ull * h->nDescription > h->emr.nSize)
      Error("the description lies outside the header");
    if (h->szlDevice.cx <= 0 || h->szlDevice.cy <= 0 || h->szlMillimeters.cx <= 0 || h->szlMillimeters.cy <= 0)
      return Error("the reference device has no size");
    const U_RECTL f = h->rclFrame, b = h->rclBounds;
    if (f.right < f.left || f.bottom < f.top) Error("the frame is empty");
    const bool noBounds = b.left == 0 && b.top == 0 && b.right == -1 && b.bottom == -1;
    if (!noBounds && (b.right < b.left || b.bottom < b.top)) Error("the bounds are turned inside out");
    handles_.assign(h->nHandles, false);
    declaredRecords_ = h->nRecords;
    palEntries_ = h->nPalEntries;
  }

  void Records() {
    const char* const base = bytes_.data();
    const char* const limit = base + bytes_.size();
    bool eof = false;
    for (const char* rec = base; rec < limit;) {
      const long at = long(rec - base);
      uint32_t size = 0, type = 0;
      // The last argument tells libUEMF that the record is in this machine's
      // byte order (EMF is little-endian).
      if (limit - rec < 8 || !U_emf_record_sizeok(rec, limit, &size, &type, U_IS_LE)) {
        Error("size runs past the end of the file", at);
        return;
      }
      ++records_;
      if (eof) Error("a record after EOF", at);
      if (size < 8 || size % 4 != 0) {
        Error("size " + std::to_string(size) + " is not a positive multiple of 4", at);
        return;
      }
      if (type < U_EMR_MIN || type > U_EMR_MAX) Error("unknown type " + std::to_string(type), at);
      else if (!U_emf_record_safe(rec)) Error("contents do not fit the record (type " + std::to_string(type) + ")", at);
      else Object(rec, type, at);
      if (type == U_EMR_HEADER && at != 0) Error("a second header", at);
      if (type == U_EMR_EOF) {
        eof = true;
        Eof(rec, size, at);
      }
      rec += size;
    }
    if (!eof) Error("no EOF record");
    if (records_ != declaredRecords_)
      Error("header counts " + std::to_string(declaredRecords_) + " records, the file has " + std::to_string(records_));
    for (std::size_t i = 1; i < handles_.size(); ++i)
      if (handles_[i]) Error("object " + std::to_string(i) + " is never deleted");
    if (depth_ != 0) Error(std::to_string(depth_) + " saved state(s) never restored");
  }

  void Object(const char* rec, uint32_t type, long at) {
    std::uint32_t index = 0;
    std::memcpy(&index, rec + 8, sizeof index);  // every object record starts with its index
    switch (type) {
      case U_EMR_CREATEPEN:
      case U_EMR_CREATEBRUSHINDIRECT:
      case U_EMR_CREATEPALETTE:
      case U_EMR_EXTCREATEFONTINDIRECTW:
      case U_EMR_CREATEMONOBRUSH:
      case U_EMR_CREATEDIBPATTERNBRUSHPT:
      case U_EMR_EXTCREATEPEN:
        if (index == 0 || index >= handles_.size())
          Error("object index " + std::to_string(index) + " outside the table of " +
                    std::to_string(handles_.size()), at);
        else if (handles_[index]) Error("object " + std::to_string(index) + " created again before deletion", at);
        else handles_[index] = true;
        break;
      case U_EMR_SELECTOBJECT:
        if (index & U_STOCK_OBJECT) {
          if (index > U_STOCK_LAST) Error("no stock object " + std::to_string(index & ~U_STOCK_OBJECT), at);
        } else if (index >= handles_.size() || !handles_[index]) {
          Error("selects object " + std::to_string(index) + ", which does not exist", at);
        }
        break;
      case U_EMR_DELETEOBJECT:
        if (index & U_STOCK_OBJECT) Error("deletes a stock object", at);
        else if (index >= handles_.size() || !handles_[index])
          Error("deletes object " + std::to_string(index) + ", which does not exist", at);
        else handles_[index] = false;
        break;
      case U_EMR_SAVEDC:
        ++depth_;
        break;
      case U_EMR_RESTOREDC: {
        const auto* r = reinterpret_cast<const U_EMRRESTOREDC*>(rec);
        if (r->iRelative >= 0 || -std::int64_t(r->iRelative) > depth_)
          Error("restores saved state " + std::to_string(r->iRelative) + " of " + std::to_string(depth_), at);
        else depth_ += r->iRelative;
        break;
      }
      default: break;
    }
  }

  void Eof(const char* rec, uint32_t size, long at) {
    const auto* e = reinterpret_cast<const U_EMREOF*>(rec);
    if (e->cbPalEntries != palEntries_) Error("EOF's palette count differs from the header's", at);
    std::uint32_t last = 0;
    std::memcpy(&last, rec + size - 4, sizeof last);  // nSizeLast closes the record
    if (last != size) Error("EOF's nSizeLast is " + std::to_string(last) + ", not its size", at);
  }

  std::string file_;
  std::vector<char> bytes_;
  std::vector<bool> handles_;
  unsigned records_ = 0, errors_ = 0, declaredRecords_ = 0, palEntries_ = 0;
  std::int64_t depth_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: emf_check FILE.emf...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) status |= TCheck(argv[i]).Run();
  return status;
}
