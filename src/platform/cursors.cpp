#include "platform/cursors.h"

#include <QHash>
#include <QPixmap>

#include "platform/application.h"
#include "platform/glyphs.h"

// The application object's table, for the functions below.
class TCursorTable {
 public:
  static QHash<int, QCursor>* Get() {
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

}  // namespace

void RegisterHandCursors() {
  Q_INIT_RESOURCE(platform);
  for (const CursorImage& c : kHandCursors) {
    QPixmap image = BuiltInPixmap(c.resource);
    // A missing image must not leave the id unset: fall back to Qt's shape.
    RegisterCursor(c.id, image.isNull() ? QCursor(Qt::PointingHandCursor)
                                        : QCursor(image, c.hot_x, c.hot_y));
  }
}

void RegisterCursor(int id, const QCursor& cursor) {
  if (auto* table = TCursorTable::Get()) table->insert(id, cursor);
}

void UnregisterCursor(int id) {
  if (auto* table = TCursorTable::Get()) table->remove(id);
}

QCursor ScreenCursor(int id) {
  const auto* table = TCursorTable::Get();
  return table ? table->value(id, QCursor(Qt::ArrowCursor)) : QCursor(Qt::ArrowCursor);
}

bool HasScreenCursor(int id) {
  const auto* table = TCursorTable::Get();
  return table && table->contains(id);
}
