#include "platform/cursors.h"

#include <QHash>
#include <QPixmap>

#include <iterator>

#include "platform/application.h"
#include "platform/glyphs.h"

// The application object's tables, for the functions below.
class TCursorTable {
 public:
  static auto* Get() {
    TApplication* app = TApplication::Instance();
    return app ? &app->cursors_ : nullptr;
  }
};

namespace {

struct CursorImage {
  int id;
  const char* resource;
  int hot_x, hot_y;
};

constexpr CursorImage kHandCursors[] = {
    {crHandPoint, ":/broodlog/cursors/handpoint.xpm", 6, 0},
    {crSmallHandPoint, ":/broodlog/cursors/smallhandpoint.xpm", 3, 0},
    {crGrabHand, ":/broodlog/cursors/grabhand.xpm", 8, 8},
    {crGrabHandArrow, ":/broodlog/cursors/grabhandarrow.xpm", 0, 0},
    {crDragHand, ":/broodlog/cursors/draghand.xpm", 7, 6},
};

QCursor MadeFrom(const CursorImage& c) {
  QPixmap image = BuiltInPixmap(c.resource);
  // A missing image must not leave the id unset: fall back to Qt's shape.
  return image.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(image, c.hot_x, c.hot_y);
}

}  // namespace

// The pictures are decoded when a cursor is first asked for: most runs
// show one of the five, and decoding all would cost every start.
void RegisterHandCursors() {
  Q_INIT_RESOURCE(platform);
  if (auto* table = TCursorTable::Get()) {
    for (int i = 0; i < int(std::size(kHandCursors)); ++i) {
      table->made.remove(kHandCursors[i].id);
      table->to_make.insert(kHandCursors[i].id, i);
    }
  }
}

void RegisterCursor(int id, const QCursor& cursor) {
  if (auto* table = TCursorTable::Get()) {
    table->to_make.remove(id);
    table->made.insert(id, cursor);
  }
}

void UnregisterCursor(int id) {
  if (auto* table = TCursorTable::Get()) {
    table->to_make.remove(id);
    table->made.remove(id);
  }
}

QCursor ScreenCursor(int id) {
  auto* table = TCursorTable::Get();
  if (table == nullptr) return QCursor(Qt::ArrowCursor);
  if (auto pending = table->to_make.find(id); pending != table->to_make.end()) {
    table->made.insert(id, MadeFrom(kHandCursors[*pending]));
    table->to_make.erase(pending);
  }
  return table->made.value(id, QCursor(Qt::ArrowCursor));
}

bool HasScreenCursor(int id) {
  const auto* table = TCursorTable::Get();
  return table && (table->made.contains(id) || table->to_make.contains(id));
}
