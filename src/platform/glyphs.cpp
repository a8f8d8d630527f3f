#include "platform/glyphs.h"

#include <QString>

#include <cstring>

namespace xpm {
#include "platform/resources/cursors/draghand.xpm"
#include "platform/resources/cursors/grabhand.xpm"
#include "platform/resources/cursors/grabhandarrow.xpm"
#include "platform/resources/cursors/handpoint.xpm"
#include "platform/resources/cursors/smallhandpoint.xpm"
#include "platform/resources/glyphs/check.xpm"
#include "platform/resources/glyphs/cross.xpm"
#include "platform/resources/glyphs/door.xpm"
#include "platform/resources/glyphs/retry.xpm"
#include "platform/resources/glyphs/spin_down.xpm"
#include "platform/resources/glyphs/spin_up.xpm"
}  // namespace xpm

QPixmap BuiltInPixmap(const char* resource) {
  static const struct {
    const char* resource;
    const char* const* xpm;
  } kBuiltIn[] = {
      {":/broodlog/cursors/draghand.xpm", xpm::draghand},
      {":/broodlog/cursors/grabhand.xpm", xpm::grabhand},
      {":/broodlog/cursors/grabhandarrow.xpm", xpm::grabhandarrow},
      {":/broodlog/cursors/handpoint.xpm", xpm::handpoint},
      {":/broodlog/cursors/smallhandpoint.xpm", xpm::smallhandpoint},
      {":/broodlog/glyphs/check.xpm", xpm::check},
      {":/broodlog/glyphs/cross.xpm", xpm::cross},
      {":/broodlog/glyphs/door.xpm", xpm::door},
      {":/broodlog/glyphs/retry.xpm", xpm::retry},
      {":/broodlog/glyphs/spin_down.xpm", xpm::spin_down},
      {":/broodlog/glyphs/spin_up.xpm", xpm::spin_up},
  };
  for (const auto& b : kBuiltIn)
    if (std::strcmp(b.resource, resource) == 0) return QPixmap(b.xpm);
  return QPixmap(QString::fromLatin1(resource));
}
