#include "output/page_files.h"

#include "output/emf_player.h"
#include "output/file_replacement.h"
#include "output/little_endian.h"
#include "output/page_store.h"

namespace {

// Pages are copied as bytes, but every record of every page is checked
// first, as the drawing loader would check it: a page that could not be
// printed fails the copy with "Metafile is not valid" rather than landing
// in the target. buffer carries its capacity from page to page.
void CopyPage(TPageStore& reader, TPageStore& writer, std::int32_t n,
              std::vector<std::uint8_t>& buffer) {
  if (!reader.GetPageDataInto(n, buffer)) return;
  TEmfPlayer::Validate(buffer);
  writer.AddPageData(buffer);
}

// Puts the writer's page count into its header, leaving the other fields
// as the first page wrote them (an empty writer gets a header of zeros),
// and saves it to target. The writer is not used afterwards.
void CloseTarget(TPageStore& writer, const std::string& target) {
  TPageStream& stream = *writer.Stream();
  std::uint8_t header[TPageStream::HeaderSize] = {};
  stream.Seek(0, TSeekOrigin::Begin);
  stream.Read(header, sizeof header);
  le::SetI32(header + saved_report::kPageCountOffset, writer.PageCount());
  stream.Seek(0, TSeekOrigin::Begin);
  stream.WriteAll(header, sizeof header);
  // A writer that moved to a temporary file already holds the target's
  // bytes there: naming it the target saves a second copy of the report.
  TFileReplacement out(target);
  if (stream.LinkTempFileTo(out)) return;
  stream.CopyTo(out);
  out.Commit();
}

void MakeWriter(TPageStore& writer) {
  writer.SetCompression(false);
  auto stream = std::make_unique<TPageStream>(saved_report::kMemoryLimit);
  // Any failed write fails the whole call, and the target is flushed when
  // it is saved or renamed: no need to push every record out on its own.
  // The disk gets it meanwhile, so the sync that saves it is short.
  stream->SetWriteThrough(false);
  stream->SetWriteOutEarly(true);
  writer.SetStream(std::move(stream));
}

}  // namespace

bool ExtractPages(const std::string& source, const std::string& target, std::int32_t first,
                  std::int32_t last) {
  TPageStore reader;
  TPageStore writer;
  MakeWriter(writer);
  reader.LoadFromFile(source);
  std::vector<std::uint8_t> buffer;
  const std::int32_t count = reader.PageCount();
  for (std::int32_t i = 1; i <= count; ++i) {
    if (first == 0 || (first <= i && i <= last)) CopyPage(reader, writer, i, buffer);
  }
  CloseTarget(writer, target);
  return true;
}

std::int32_t JoinReports(const std::string& target, const std::vector<std::string>* sources) {
  std::int32_t result = 0;
  if (target.empty()) result = -1;
  if (sources == nullptr) {
    result = -2;
  } else if (sources->empty()) {
    result = -3;
  }
  if (result != 0) return result;

  TPageStore reader;
  TPageStore writer;
  MakeWriter(writer);
  std::vector<std::uint8_t> buffer;
  for (const std::string& name : *sources) {
    reader.Clear();
    reader.LoadFromFile(name);
    const std::int32_t count = reader.PageCount();
    for (std::int32_t i = 1; i <= count; ++i) CopyPage(reader, writer, i, buffer);
  }
  CloseTarget(writer, target);
  return 0;
}
