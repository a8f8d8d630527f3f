#pragma once

#include <QDialog>

#include <array>
#include <memory>

#include "app/caption_file.h"
#include "widgets/placement.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The caption editor ("Text to big broodlog"): one box per column heading,
// filled from the caption file when shown; "&OK" writes all 21 boxes back,
// "&Default" puts the design texts back, "&Cancel" leaves without saving.
// Reopens where it was last closed. Create it without a parent and exec()
// it; destroy it after it closes.
class Ttext_to_broodlog : public QDialog {
  Q_OBJECT
 public:
  // The client area the controls are laid out in: the 524 x 375 outer size
  // less a classic 4-pixel sizing border and 19-pixel caption.
  static constexpr int kClientWidth = 516, kClientHeight = 348;
  static constexpr int kOuterWidth = 524, kOuterHeight = 375;
  // The editor's own texts, box k holding entry k, in English; the boxes
  // show them translated.
  static const std::array<const char*, kCaptionCount> kDefaultTexts;
  // At most this many characters of a text are shown in a box (as many as
  // the sheet draws of a heading); a longer text from the file or the
  // program is kept whole and saved whole unless the user changes the box.
  static constexpr int kShownChars = 65536;
  // The text box k stands for, which "&OK" saves.
  QString BoxText(int k) const;
  // How many characters the user may type into box k.
  static constexpr int TypingLimit(int k) { return (k == 12 || k == 13 || k == 20) ? 22 : 17; }

  explicit Ttext_to_broodlog(QWidget* parent = nullptr);
  ~Ttext_to_broodlog() override;

  // Box k (0 to 20) is Edit<k + 1>; all owned by the dialog.
  std::array<QLineEdit*, kCaptionCount> Edits{};
  std::array<QLabel*, kCaptionCount> NumberLabels{};  // Label2 .. Label22: "1." .. "21."
  QLabel *Label1, *Label23, *Label24, *Label25;         // the column titles
  QFrame *Bevel1, *Bevel2;
  QPushButton* BitBtn1;  // "&OK"
  QPushButton* BitBtn2;  // "&Cancel"
  QPushButton* BitBtn3;  // "&Default"

  // Handlers.
  void FormCreate();
  void FormShow();
  void FormClose();
  virtual void BitBtn1Click();
  void BitBtn3Click();
  // Fills the boxes from the caption file; a missing or short file leaves
  // the boxes it does not reach as they are.
  void assignLanguage();

  // The box's remembered design text.
  QString DefaultText(int k) const { return defaults_[size_t(k)]; }

 public slots:
  // OK and Cancel close the window (so the close is seen by the placement
  // keeper) after setting the modal result.
  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  std::array<QString, kCaptionCount> defaults_;
  std::unique_ptr<TCaptionList> captions_;  // made by assignLanguage, released on close

 public:
  // Restores and stores the placement under "textbroodlog"; declared last so
  // that it goes first, while the window is still whole.
  TPlacementKeeper PlacementKeeper1{this};
};
