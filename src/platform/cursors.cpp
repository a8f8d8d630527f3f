#include "platform/cursors.h"

#include <QHash>
#include <QPixmap>

#include <iterator>

#include "platform/application.h"
#include "platform/glyphs.h"

// The application object's tables, for the functions below.
class TCursorTable {
 public:
  static TApplication* App() { return TApplication::Instance(); }
  static QHash<int, QCursor>& Made(TApplication& app) { return app.cursors_; }
  static QHash<int, int>& ToMake(TApplication& app) { return app.cursors_to_make_; }
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
  TApplication* app = TCursorTable::App();
  if (app == nullptr) return;
  for (int i = 0; i < int(std::size(kHandCursors)); ++i) {
    TCursorTable::Made(*app).remove(kHandCursors[i].id);
    TCursorTable::ToMake(*app).insert(kHandCursors[i].id, i);
  }
}

void RegisterCursor(int id, const QCursor& cursor) {
  if (TApplication* app = TCursorTable::App()) {
    TCursorTable::ToMake(*app).remove(id);
    TCursorTable::Made(*app).insert(id, cursor);
  }
}

void UnregisterCursor(int id) {
  if (TApplication* app = TCursorTable::App()) {
    TCursorTable::ToMake(*app).remove(id);
    TCursorTable::Made(*app).remove(id);
  }
}

QCursor ScreenCursor(int id) {
  TApplication* app = TCursorTable::App();
  if (app == nullptr) return QCursor(Qt::ArrowCursor);
  if (auto pending = TCursorTable::ToMake(*app).find(id); pending != TCursorTable::ToMake(*app).end()) {
    TCursorTable::Made(*app).insert(id, MadeFrom(kHandCursors[*pending]));
    TCursorTable::ToMake(*app).erase(pending);
  }
  return TCursorTable::Made(*app).value(id, QCursor(Qt::ArrowCursor));
}

bool HasScreenCursor(int id) {
  TApplication* app = TCursorTable::App();
  return app != nullptr && (TCursorTable::Made(*app).contains(id) || TCursorTable::ToMake(*app).contains(id));
}
