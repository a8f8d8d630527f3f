#include "platform/cursors.h"

#include <gtest/gtest.h>

#include <QPixmap>

TEST(Cursors, TheFiveHandCursorsAreRegisteredAtStartUp) {
  for (int id = 15000; id <= 15004; ++id) {
    ASSERT_TRUE(HasScreenCursor(id)) << id;
    EXPECT_EQ(ScreenCursor(id).shape(), Qt::BitmapCursor) << id;
    EXPECT_FALSE(ScreenCursor(id).pixmap().isNull()) << id;
  }
  EXPECT_FALSE(HasScreenCursor(15005));
}

TEST(Cursors, ThePointingHandsHotSpotIsTheFingerTip) {
  const QCursor hand = ScreenCursor(crHandPoint);
  EXPECT_EQ(hand.hotSpot(), QPoint(6, 0));
  // The tip is the topmost inked pixel and the hot spot lies on it.
  const QImage image = hand.pixmap().toImage();
  EXPECT_GT(qAlpha(image.pixel(6, 0)), 0);
  for (int x = 0; x < image.width(); ++x) {
    if (x != 6 && x != 7) {
      EXPECT_EQ(qAlpha(image.pixel(x, 0)), 0) << x;
    }
  }
}

TEST(Cursors, UnknownIdsGiveTheArrowAndRegistrationReplaces) {
  EXPECT_EQ(ScreenCursor(-1).shape(), Qt::ArrowCursor);
  struct TForget {
    ~TForget() { UnregisterCursor(20000); }
  } forget;
  RegisterCursor(20000, QCursor(Qt::CrossCursor));
  EXPECT_EQ(ScreenCursor(20000).shape(), Qt::CrossCursor);
  RegisterCursor(20000, QCursor(Qt::IBeamCursor));
  EXPECT_EQ(ScreenCursor(20000).shape(), Qt::IBeamCursor);
  RegisterHandCursors();  // made when first asked for: what replaces or removes one before stays
  RegisterCursor(crDragHand, QCursor(Qt::CrossCursor));
  UnregisterCursor(crGrabHand);
  EXPECT_EQ(ScreenCursor(crDragHand).shape(), Qt::CrossCursor);
  EXPECT_FALSE(HasScreenCursor(crGrabHand));
  RegisterHandCursors();
  EXPECT_EQ(ScreenCursor(crDragHand).shape(), Qt::BitmapCursor);
  EXPECT_EQ(ScreenCursor(crGrabHand).shape(), Qt::BitmapCursor);
}
