// One walk over every window of the program in each state it shows, and
// over the message boxes those windows raise, in English, the shipped
// languages and one the program does not ship, on a light and on a dark
// palette. Every visible control shows its text whole, no "%3" is left in
// any text, every list with items has a current item (which a screen
// reader reads as its value), texts reach 4.5:1 and pictures 3:1 against
// what is behind them, measured on a picture of the window.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/preview_form.h"
#include "app/select_printer.h"
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

// The print service as the program meets it: nothing known until its
// answer comes back through the message loop.
struct TServiceStandIn {
  TPrintServiceState state = TPrintServiceState::Answered;
  int queues = 2;  // the last one is the default
  std::shared_ptr<const TPrinterCatalog> latest = std::make_shared<TPrinterCatalog>();

  void Serve(TReportContext& context) {
    context.SetPrinters([this] { return std::make_unique<TQtPlatformPrinter>([this] { return latest; }); });
    context.SetPrintServiceAsker([this](std::function<void(TPrintServiceState)> answered) {
      QMetaObject::invokeMethod(qApp, [this, answered] {
        auto catalog = std::make_shared<TPrinterCatalog>();
        catalog->state = state;
        for (int i = 0; state == TPrintServiceState::Answered && i < queues; ++i) {
          TPrintQueue q;
          q.name = i == 0 ? QStringLiteral("Office") : QStringLiteral("Workshop_Laser_Printer_2");
          q.facts.maxCopies = i == 0 ? 99 : 1;
          q.media = {{QStringLiteral("iso_a4_210x297mm"), QSizeF(210, 297), {}}};
          q.defaultMedia = 0;
          catalog->queues << q;
          catalog->defaultQueue = i;
        }
        latest = catalog;
        answered(state);
      }, Qt::QueuedConnection);
    });
  }
};

QString Plain(QString text) {
  return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// The most pixels of `area` that stand out kGraphicContrast from the
// commonest colour of `around` (what the picture stands on).
int VisiblePixels(const QImage& image, QRect area, QRect around) {
  QHash<QRgb, int> counts;
  for (int y = around.top(); y <= around.bottom(); ++y)
    for (int x = around.left(); x <= around.right(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
  QRgb background = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > most) most = it.value(), background = it.key();
  int visible = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      visible += ContrastRatio(QColor(image.pixel(x, y)), QColor(background)) >= kGraphicContrast;
  return visible;
}

// Each fault found, with the window, the state and the control.
class TWalker {
 public:
  std::string where;

  void Walk(QWidget* window) {
    TApplication::ProcessMessages();
    const QImage shot = window->grab().toImage();
    if (qEnvironmentVariableIsSet("WALK_SHOTS")) shot.save(QStringLiteral("/tmp/walk_%1.png").arg(QString::fromStdString(where).replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char(','), QLatin1Char('_'))));
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
      if (!w->isVisibleTo(window) || (w != window && !w->isVisible())) continue;
      const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
      const QRect rect(w->mapTo(window, QPoint(0, 0)), w->size());
      Check(w, name, shot, rect.intersected(shot.rect()));
    }
  }

 private:
  void Fault(const QString& control, const QString& what) {
    ADD_FAILURE() << where << ", " << control.toStdString() << ": " << what.toStdString();
  }

  void Check(QWidget* w, const QString& name, const QImage& shot, const QRect& rect) {
    static const QRegularExpression marker(QStringLiteral("%[0-9]"));
    QStringList texts = {w->windowTitle(), w->toolTip(), w->accessibleName(), w->accessibleDescription()};
    QString text;
    int room = 0;  // pixels the text has across
    const QFontMetrics fm(w->font());
    if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
      if (l->wordWrap() && l->heightForWidth(l->contentsRect().width()) > l->contentsRect().height())
        Fault(name, QStringLiteral("wrapped text cut: \"%1\"").arg(text));
      room = l->wordWrap() ? INT_MAX : l->contentsRect().width();
    } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
      text = r->text();
      QStyleOptionButton opt;
      opt.initFrom(r);
      room = r->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, r).width();
      const QRect ring = r->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, r);
      if (r->isEnabled() && VisiblePixels(shot, ring.translated(rect.topLeft()), rect) < 8)
        Fault(name, QStringLiteral("radio button does not stand out"));
    } else if (auto* t = qobject_cast<QToolButton*>(w); t && !t->icon().isNull()) {
      const QRect icon(QPoint(rect.center().x() - 7, rect.center().y() - 7), t->iconSize());
      if (t->isEnabled() && VisiblePixels(shot, icon, rect) < 8) Fault(name, QStringLiteral("picture does not stand out"));
    } else if (auto* b = qobject_cast<TRepeatButton*>(w)) {
      QRect arrow(0, 0, b->Glyph().width() / b->NumGlyphs(), b->Glyph().height());
      arrow.moveCenter(rect.center());
      if (b->isEnabled() && VisiblePixels(shot, arrow, rect) < 8) Fault(name, QStringLiteral("arrow does not stand out"));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text();
      room = b->width() - 8 - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      text = g->title();
      room = g->width() - 16;
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      text = e->text();
      room = e->contentsRect().width() - e->textMargins().left() - e->textMargins().right() - 4;
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
      if (c->count() > 0 && c->currentIndex() < 0) Fault(name, QStringLiteral("list of %1 items has no current item").arg(c->count()));
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
      if (c->count() > 0 && a && a->text(QAccessible::Value).isEmpty()) Fault(name, QStringLiteral("reads without a value"));
      if (!c->isEditable()) {
        text = c->currentText();
        room = c->width() - 28;
      }
    }
    texts << text;
    for (const QString& t : texts)
      if (t.contains(marker)) Fault(name, QStringLiteral("placeholder left in \"%1\"").arg(t));
    const QString shown = Plain(text);
    if (shown.isEmpty()) return;
    if (room != INT_MAX && fm.horizontalAdvance(shown) > room)
      Fault(name, QStringLiteral("\"%1\" needs %2 pixels, has %3").arg(shown).arg(fm.horizontalAdvance(shown)).arg(room));
    // (Selected text is in the desktop's selection colours.)
    // A button's text against its face, inside the frame that marks the
    // default or focused one.
    auto* edit = qobject_cast<QLineEdit*>(w);
    const QRect face = qobject_cast<QAbstractButton*>(w) ? rect.adjusted(3, 3, -3, -3) : rect;
    if (w->isEnabled() && !(edit && edit->hasSelectedText()) && !face.isEmpty() && TextContrast(shot, face) < kReadableContrast)
      Fault(name, QStringLiteral("text \"%1\" reads at %2:1").arg(shown).arg(TextContrast(shot, face), 0, 'f', 2));
  }
};

// What a scene has: the services, the stand-in service, the messages
// raised, and the record sheet generated as "print note" makes it.
struct TStage {
  TEngineServices services;
  TServiceStandIn service;
  CapturedErrors errors;
  TWalker walker;
  std::unique_ptr<TFormBroodlog> sheet;

  TReportPrinter& Sheet() {
    sheet = std::make_unique<TFormBroodlog>(services.Context());
    sheet->Report->OnPreview = [](TReportPrinter&) {};
    sheet->Report->Preview();
    return *sheet->Report->ReportPrinter();
  }
  // The printer dialog of the preview's Print, in `state`, walked once the
  // service has answered; `then` acts on it and gives the dialog's result.
  void PrinterDialog(const std::function<int(TfrmSelectPrinter&)>& then = {}) {
    TApplication::Guarded([&] {
      RunPrintJob(Sheet(), nullptr, [&](TfrmSelectPrinter& d) {
        d.show();
        walker.Walk(&d);  // still asking
        EXPECT_TRUE(WaitUntil([&] { return d.StatusLbl->text() != TfrmSelectPrinter::tr(TfrmSelectPrinter::kPleaseWait); }));
        walker.Walk(&d);
        return then ? then(d) : int(QDialog::Rejected);
      });
    });
  }
};

struct TScene {
  const char* name;
  TPrintServiceState state;
  int queues;
  std::function<void(TStage&)> run;
};

constexpr auto kAnswered = TPrintServiceState::Answered;
const TScene kScenes[] = {
    {"main window", kAnswered, 2, [](TStage& s) {
       Tbroodlogprint w(s.services.Context());
       w.show();
       s.walker.Walk(&w);
     }},
    {"caption editor, its save failing", kAnswered, 2, [](TStage& s) {
       QDir().mkdir(QStringLiteral("broodlog.txt"));  // a folder where the file would go
       Ttext_to_broodlog e;
       e.show();
       s.walker.Walk(&e);
       e.BitBtn1->click();
     }},
    {"preview, print at once", kAnswered, 0, [](TStage& s) {
       auto* p = new TfrmPreview;
       p->RptPreview1->SetReportPrinter(&s.Sheet());
       p->show();
       s.walker.Walk(p);
       // Each reason a print at once cannot go is said in a message.
       const TPrintServiceState states[] = {TPrintServiceState::NotRunning, TPrintServiceState::NotAnswering, kAnswered};
       for (TPrintServiceState state : states) {
         s.service.state = state;
         const qsizetype before = s.errors.messages.size();
         p->SpeedButton1->click();
         EXPECT_TRUE(WaitUntil([&] { return s.errors.messages.size() > before; }));
       }
       delete p;
     }},
    {"printer dialog, printers listed", kAnswered, 2, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, service not answering", TPrintServiceState::NotAnswering, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, service not running", TPrintServiceState::NotRunning, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, no printer", kAnswered, 0, [](TStage& s) { s.PrinterDialog(); }},
    {"printer dialog, pages not in the report", kAnswered, 2, [](TStage& s) {
       s.PrinterDialog([](TfrmSelectPrinter& d) {
         d.RangeRb->setChecked(true);
         d.FromEdt->setText(QString());
         d.BitBtn1->click();  // an empty field: said, and the dialog stays
         d.FromEdt->setText(QStringLiteral("2"));
         d.ToEdt->setText(QStringLiteral("5"));
         d.BitBtn1->click();
         return d.result();
       });
     }},
};

struct TWalkCase {
  const char* language;
  bool dark;
};

class WindowWalk : public ::testing::TestWithParam<TWalkCase> {};

}  // namespace

TEST_P(WindowWalk, EveryControlOfEveryWindowShowsItsTextWholeAndStandsOut) {
  const TWalkCase& c = GetParam();
  InstallTranslations(QLocale(QString::fromLatin1(c.language)), {QStringLiteral(BROODLOG_BINARY_DIR "/src/app/translations")});
  std::optional<TScopedDarkPalette> dark;
  if (c.dark) dark.emplace();
  for (const TScene& scene : kScenes) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
      TStage stage;
      stage.walker.where = std::string(c.language) + (c.dark ? " dark, " : " light, ") + scene.name;
      stage.service.state = scene.state;
      stage.service.queues = scene.queues;
      stage.service.Serve(stage.services.Context());
      scene.run(stage);
      TApplication::ProcessMessages();
      for (const QString& message : QStringList(stage.errors.messages)) {
        std::unique_ptr<QMessageBox> box = TApplication::MessageBoxFor(message);
        box->show();
        stage.walker.where += ", message box";
        stage.walker.Walk(box.get());
      }
    }
    QDir::setCurrent(before);
  }
  RemoveTranslations();
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndPalettes, WindowWalk,
                         ::testing::Values(TWalkCase{"en", false}, TWalkCase{"en", true}, TWalkCase{"de", false},
                                           TWalkCase{"de", true}, TWalkCase{"fr", false}, TWalkCase{"fr", true},
                                           TWalkCase{"es", false}, TWalkCase{"es", true}),
                         [](const auto& info) {
                           return std::string(info.param.language) + (info.param.dark ? "_dark" : "_light");
                         });
