#pragma once

#include <QCursor>

// The program's cursor table: cursors chosen by a numeric id. It belongs to
// the application object; without one, no id is registered.
enum TCursorId : int {
  crHandPoint = 15000,       // a hand with the index finger up; hot spot at the tip
  crSmallHandPoint = 15001,
  crGrabHand = 15002,
  crGrabHandArrow = 15003,
  crDragHand = 15004,
};

// Registers the five hand cursors from the program's own images under ids
// 15000 to 15004, replacing what those ids had. Called once at start-up;
// calling it again is harmless.
void RegisterHandCursors();

// Adds or replaces the cursor for an id.
void RegisterCursor(int id, const QCursor& cursor);
// Removes the cursor for an id, if any.
void UnregisterCursor(int id);

// The cursor registered for id; the standard arrow for an unknown id.
QCursor ScreenCursor(int id);

// True when a cursor is registered for id.
bool HasScreenCursor(int id);
