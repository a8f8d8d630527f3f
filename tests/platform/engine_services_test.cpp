#include "platform/engine_services.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTemporaryDir>
#include <memory>

#include "report/report_context.h"
#include "output/messages.h"
#include "output/platform_printer.h"
#include "platform/file_printer.h"
#include "definition/report_error.h"

namespace {

class TRecorder : public TMessageReceiver {
 public:
  std::vector<std::intptr_t> received;
  void HandleMessage(TMessage& m) override { received.push_back(m.wparam); }
};

TEST(EngineServicesTest, PostedMessagesReachLiveReceiversThroughQtsQueue) {
  TEngineServices services;
  TRecorder live;
  auto gone = std::make_unique<TRecorder>();
  services.Context().Loop().Post(&live, MsgPageAvailable, 1);
  services.Context().Loop().Post(gone.get(), MsgPageAvailable, 2);
  EXPECT_TRUE(live.received.empty());  // queued, not sent
  gone.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(live.received, std::vector<std::intptr_t>{1});
}

TEST(EngineServicesTest, TheContextCarriesThePlatformAndNothingElseChanges) {
  THeadlessContext headless;
  TEngineServices services;
  TReportContext& context = services.Context();
  EXPECT_EQ(context.Units().ScreenPixelsPerInch, services.ScreenPixelsPerInch());
  EXPECT_EQ(context.Metrics().PixelsPerInch(), services.ScreenPixelsPerInch());
  const QDate today = QDate::currentDate();
  EXPECT_EQ(context.Dates().ShortDate(today.year(), today.month(), today.day()),
            QLocale::system().toString(today, QLocale::ShortFormat).toStdString());
  // No printers until the program gives some; and another context is not
  // touched by this one.
  EXPECT_TRUE(context.MakePrinter()->Printers().empty());
  EXPECT_EQ(headless.Dates().ShortDate(2026, 12, 8), "08/12/2026");
}

TEST(FilePlatformPrinterTest, AFileThatCannotBeWrittenFailsWithItsName) {
  QTemporaryDir dir;
  struct { TFilePlatformPrinter::TFormat format; QString name; const char* message; } cases[] = {
      {TFilePlatformPrinter::TFormat::Png, dir.path(), "Cannot create file "},
      {TFilePlatformPrinter::TFormat::Pdf, dir.filePath("missing/sheet.pdf"), "Cannot create file "},
  };
  for (const auto& c : cases) {
    TFilePlatformPrinter printer(c.format, c.name, 96);
    try {
      printer.BeginDoc("sheet");
      printer.Canvas().FillRect({0, 0, 10, 10});
      printer.EndDoc();
      ADD_FAILURE() << c.name.toStdString();
    } catch (const EReportError& e) {
      EXPECT_EQ(e.what(), c.message + c.name.toStdString());
    }
    EXPECT_FALSE(printer.Printing());
  }
}

TEST(FilePlatformPrinterTest, PaperFollowsTheDeviceModeInEitherOrientation) {
  TFilePlatformPrinter printer(TFilePlatformPrinter::TFormat::Png, "unused.png", 600);
  TDeviceMode mode = printer.DeviceMode();
  mode.paperCode = 1;  // Letter
  mode.orientation = 2;
  printer.SetDeviceMode(mode);
  const TDeviceCaps caps = printer.Caps();
  EXPECT_EQ(caps.physicalWidth, 6600);
  EXPECT_EQ(caps.physicalHeight, 5100);
  EXPECT_EQ(caps.physicalOffsetX, 0);
  EXPECT_THROW(printer.SetPrinterIndex(1), EReportError);
}

}  // namespace
