#include "platform/cursors.h"

#include <QHash>
#include <QPixmap>

namespace {

QHash<int, QCursor>& CursorTable() {
  static QHash<int, QCursor> table;
  return table;
}

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
    QPixmap image(QString::fromLatin1(c.resource));
    // A missing image must not leave the id unset: fall back to Qt's shape.
    RegisterCursor(c.id, image.isNull() ? QCursor(Qt::PointingHandCursor)
                                        : QCursor(image, c.hot_x, c.hot_y));
  }
}

void RegisterCursor(int id, const QCursor& cursor) { CursorTable().insert(id, cursor); }

QCursor ScreenCursor(int id) { return CursorTable().value(id, QCursor(Qt::ArrowCursor)); }

bool HasScreenCursor(int id) { return CursorTable().contains(id); }
