// One walk over every window in each of its states, and over the message
// boxes they raise, in English, German, French and Spanish (not shipped),
// light and dark: each visible control shows its text whole and without
// "%3", a list with items has a current item, texts reach 4.5:1 and
// pictures 3:1 on a picture of the window; and each window's keys and
// screen reader texts do what they say.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/preview_form.h"
#include "app/select_printer.h"
#include "controls.h"
#include "app/text_to_broodlog.h"
#include "captured_errors.h"
#include "contrast.h"
#include "output/report_printer.h"
#include "platform/engine_services.h"
#include "platform/qt_printer.h"
#include "platform/translations.h"
#include "sheet/broodlog_form.h"
#include "wait_until.h"
#include "widgets/report_preview.h"
#include "widgets/spin.h"

namespace {

// A Qt before 6.8 has no spoken announcements: they stand in the
// description of the focused control, which Orca reads out.
constexpr bool kToldInDescription = QT_VERSION < QT_VERSION_CHECK(6, 8, 0);

// The print service as the program meets it: nothing known until its
// answer comes through the message loop.
struct TServiceStandIn {
  TPrintServiceState state = TPrintServiceState::Answered;
  int queues = 2;  // the last is the default
  std::shared_ptr<const TPrinterCatalog> latest = std::make_shared<TPrinterCatalog>();
  void Serve(TReportContext& context) {
    context.SetPrinters([this] { return std::make_unique<TQtPlatformPrinter>([this] { return latest; }); });
    context.SetPrintServiceAsker([this](std::function<void(TPrintServiceState)> answered) {
      QMetaObject::invokeMethod(qApp, [this, answered] {
        auto catalog = std::make_shared<TPrinterCatalog>();
        for (int i = 0; state == TPrintServiceState::Answered && i < queues; ++i) {
          TPrintQueue q;
          q.name = i ? QStringLiteral("Workshop_Laser_Printer_2") : QStringLiteral("Office");
          q.facts.maxCopies = i ? 1 : 99;
          q.media = {{QStringLiteral("iso_a4_210x297mm"), QSizeF(210, 297), {}}};
          q.defaultMedia = 0;
          catalog->defaultQueue = i;
          catalog->queues << q;
        }
        latest = catalog;
        answered(state);
      }, Qt::QueuedConnection);
    });
  }
};

// Pixels of `area` that stand out kGraphicContrast from the commonest
// colour of `around`, what the picture stands on.
int VisiblePixels(const QImage& image, QRect area, QRect around) {
  QHash<QRgb, int> counts;
  for (int y = around.top(); y <= around.bottom(); ++y)
    for (int x = around.left(); x <= around.right(); ++x) ++counts[image.pixel(x, y)];
  const QColor behind(std::max_element(counts.keyValueBegin(), counts.keyValueEnd(),
                                       [](auto a, auto b) { return a.second < b.second; })->first);
  int visible = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) visible += ContrastRatio(QColor(image.pixel(x, y)), behind) >= 3;
  return visible;
}

struct TStage {
  std::string where;
  TEngineServices services;
  TServiceStandIn service;
  CapturedErrors errors;
  std::unique_ptr<TFormBroodlog> sheet;

  void Fault(QWidget* w, const QString& what) {
    ADD_FAILURE() << where << ", " << (w->objectName().isEmpty() ? w->metaObject()->className() : qPrintable(w->objectName()))
                  << ": " << what.toStdString();
  }

  void Walk(QWidget* window) {
    TApplication::ProcessMessages();
    const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QList<QWidget*> all = window->findChildren<QWidget*>() << window;
    for (QWidget* w : all)
      if (w->isVisible()) Check(w, shot, QRect(w->mapTo(window, QPoint()), w->size()).intersected(shot.rect()));
  }

  void Check(QWidget* w, const QImage& shot, const QRect& rect) {
    QStringList texts = {w->windowTitle(), w->toolTip(), w->accessibleName(), w->accessibleDescription()};
    QString text;
    int room = INT_MAX;  // pixels the text has across
    QStyleOptionButton opt;
    opt.initFrom(w);
    if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
      if (!l->wordWrap()) room = l->contentsRect().width();
      else if (l->heightForWidth(l->contentsRect().width()) > l->contentsRect().height()) Fault(w, "cut: " + text);
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      text = r->text();
      room = r->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, r).width();
      const QRect ring = r->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, r).translated(rect.topLeft());
      if (r->isEnabled() && VisiblePixels(shot, ring, rect) < 8) Fault(w, "the button does not stand out");
    } else if (auto* t = qobject_cast<QToolButton*>(w); t && !t->icon().isNull()) {
      const QRect icon(rect.center() - QPoint(7, 7), t->iconSize());
      if (t->isEnabled() && VisiblePixels(shot, icon, rect) < 8) Fault(w, "the picture does not stand out");
    } else if (auto* b = qobject_cast<TRepeatButton*>(w)) {
      QRect arrow(0, 0, b->Glyph().width() / b->NumGlyphs(), b->Glyph().height());
      arrow.moveCenter(rect.center());
      if (b->isEnabled() && VisiblePixels(shot, arrow, rect) < 8) Fault(w, "the arrow does not stand out");
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text(), room = b->width() - 8 - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      text = g->title(), room = g->width() - 16;
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      text = e->text(), room = e->contentsRect().width() - e->textMargins().left() - e->textMargins().right() - 4;
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
      const QString value = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Value);
      if (c->count() > 0 && (c->currentIndex() < 0 || value.isEmpty())) Fault(w, "a list without a current item");
      if (!c->isEditable()) text = c->currentText(), room = c->width() - 28;
    }
    for (const QString& t : texts << text)
      if (t.contains(QRegularExpression(QStringLiteral("%[0-9]")))) Fault(w, "placeholder left: " + t);
    const QString shown = QString(text).remove(QRegularExpression(QStringLiteral("&(?!&)")));
    if (shown.isEmpty()) return;
    if (w->fontMetrics().horizontalAdvance(shown) > room) Fault(w, QStringLiteral("cut to %1 pixels: ").arg(room) + shown);
    // A button's text against its face, inside the frame that marks the
    // default one; a selection is in the desktop's colours.
    const QRect face = qobject_cast<QAbstractButton*>(w) ? rect.adjusted(3, 3, -3, -3) : rect;
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (w->isEnabled() && !(edit && edit->hasSelectedText()) && TextContrast(shot, face) < kReadableContrast)
      Fault(w, QStringLiteral("reads at %1:1: ").arg(TextContrast(shot, face), 0, 'f', 2) + shown);
  }

  TReportPrinter& Sheet() {
    sheet = std::make_unique<TFormBroodlog>(services.Context());
    sheet->Report->OnPreview = [](TReportPrinter&) {};
    sheet->Report->Preview();
    return *sheet->Report->ReportPrinter();
  }

  // The preview's printer dialog, walked while it asks and once answered;
  // `then` acts on it and gives its result.
  void PrinterDialog(const std::function<int(TfrmSelectPrinter&)>& then = {}) {
    TApplication::Guarded([&] {
      RunPrintJob(Sheet(), nullptr, [&](TfrmSelectPrinter& d) {
        d.show();
        Walk(&d);
        EXPECT_TRUE(WaitUntil([&] { return Control<QLabel>(d, "StatusLbl")->text() != TfrmSelectPrinter::tr(TfrmSelectPrinter::kPleaseWait); }));
        Walk(&d);
        return then ? then(d) : int(QDialog::Rejected);
      });
    });
  }
};

constexpr auto kAnswered = TPrintServiceState::Answered;
const struct TScene {
  const char* name;
  TPrintServiceState state;
  int queues;
  std::function<void(TStage&)> run;
} kScenes[] = {
    {"main window", kAnswered, 2, [](TStage& s) {
       Tbroodlogprint w(s.services.Context());
       w.show();
       s.Walk(&w);
     }},
    {"caption editor, saving into a folder", kAnswered, 2, [](TStage& s) {
       QDir().mkdir(QStringLiteral("broodlog.txt"));
       Ttext_to_broodlog e;
       e.show();
       s.Walk(&e);
       e.BitBtn3->setFocus();
       QTest::keyClick(e.BitBtn3, Qt::Key_Space);
       if (kToldInDescription) {
         EXPECT_TRUE(e.BitBtn3->accessibleDescription().contains("21")) << "Default is silent";
       }
       e.BitBtn1->click();
     }},
    {"preview, print at once", kAnswered, 0, [](TStage& s) {
       auto* p = new TfrmPreview;
       p->SetReportPrinter(&s.Sheet());
       p->show();
       s.Walk(p);
       p->RptPreview1->setFocus();
       p->activateWindow();
       EXPECT_TRUE(WaitUntil([&] { return p->isActiveWindow(); }));
       QTest::keyClick(p->RptPreview1, Qt::Key_Plus, Qt::ControlModifier);
       if (kToldInDescription) {
         EXPECT_TRUE(p->RptPreview1->accessibleDescription().contains("60")) << "zoom is silent";
       }
       for (TPrintServiceState state : {TPrintServiceState::NotRunning, TPrintServiceState::NotAnswering, kAnswered}) {
         s.service.state = state;
         const qsizetype before = s.errors.messages.size();
         p->SpeedButton1->click();
         EXPECT_TRUE(WaitUntil([&] { return s.errors.messages.size() > before; }));
       }
       delete p;
     }},
    {"printer dialog, printers listed", kAnswered, 2, [](TStage& s) {
       s.PrinterDialog([](TfrmSelectPrinter& d) {
         // The number stays selected, not read as "text unselected".
         Control<TSpinEdit>(d, "CopiesSe")->setFocus(Qt::TabFocusReason);
         QTest::keyClick(Control<TSpinEdit>(d, "CopiesSe"), Qt::Key_Up);
         EXPECT_TRUE(Control<TSpinEdit>(d, "CopiesSe")->Value() == 2 && Control<TSpinEdit>(d, "CopiesSe")->selectedText() == QStringLiteral("2")) << "Up in the copies";
         Control<QRadioButton>(d, "AllPagesRb")->setFocus();
         QTest::keyClick(Control<QRadioButton>(d, "AllPagesRb"), Qt::Key_Down);
         EXPECT_TRUE(Control<QRadioButton>(d, "RangeRb")->isChecked() && Control<QRadioButton>(d, "RangeRb")->hasFocus()) << "Down in the range";
         return int(QDialog::Rejected);
       });
     }},
    {"printer dialog, service not answering", TPrintServiceState::NotAnswering, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, service not running", TPrintServiceState::NotRunning, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, no printer", kAnswered, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, pages not in the report", kAnswered, 2, [](TStage& s) {
       s.PrinterDialog([](TfrmSelectPrinter& d) {
         Control<QRadioButton>(d, "RangeRb")->setChecked(true);
         Control<QLineEdit>(d, "FromEdt")->clear();
         Control<QPushButton>(d, "BitBtn1")->click();  // an empty field: said, and the dialog stays
         Control<QLineEdit>(d, "FromEdt")->setText(QStringLiteral("2"));
         Control<QLineEdit>(d, "ToEdt")->setText(QStringLiteral("5"));
         Control<QPushButton>(d, "BitBtn1")->click();
         return d.result();
       });
     }},
};

class WindowWalk : public ::testing::TestWithParam<std::tuple<const char*, bool>> {};

}  // namespace

TEST_P(WindowWalk, EveryControlShowsItsTextWholeStandsOutAndIsHeard) {
  const auto [language, dark] = GetParam();
  InstallTranslations(QLocale(QString::fromLatin1(language)), {QStringLiteral(BROODLOG_BINARY_DIR "/src/app/translations")});
  std::optional<TScopedDarkPalette> palette;
  if (dark) palette.emplace();
  for (const TScene& scene : kScenes) {
    QTemporaryDir dir;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
      TStage stage;
      stage.where = std::string(language) + (dark ? " dark, " : " light, ") + scene.name;
      stage.service = {scene.state, scene.queues};
      stage.service.Serve(stage.services.Context());
      scene.run(stage);
      stage.where += ", message box";
      for (const QString& message : QStringList(stage.errors.messages)) {
        const std::unique_ptr<QMessageBox> box = TApplication::MessageBoxFor(message);
        box->show();
        stage.Walk(box.get());
      }
    }
    QDir::setCurrent(cwd);
  }
  RemoveTranslations();
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndPalettes, WindowWalk,
                         ::testing::Combine(::testing::Values("en", "de", "fr", "es"), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_dark" : "_light");
                         });
