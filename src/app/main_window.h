#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class TReportContext;
class TUrlLabel;

// The program's main window: the apiary name, "print note", "configure",
// "&Close" and the link to the program's web page. Closing it, by any means,
// ends the program.
class Tbroodlogprint : public QWidget {
  Q_OBJECT
 public:
  // The address the link shows and opens: the build's BROODLOG_HOME_PAGE
  // where a packager set one, else the README installed with the program
  // (bin/../share/doc/broodlog/README.md) as a file address.
  static QString HomePage();
  // The window's outer size and place, in pixels.
  static constexpr int kLeft = 228, kTop = 104, kWidth = 286, kHeight = 171;
  // The area the controls are laid out in: the outer size less a classic
  // 4-pixel sizing border and 19-pixel caption. The client never gets smaller.
  static constexpr int kClientWidth = 278, kClientHeight = 144;

  // The window's commands make their reports on `context`'s services.
  explicit Tbroodlogprint(TReportContext& context, QWidget* parent = nullptr);

  QPushButton* BitBtn1;  // "print note", the default button
  QPushButton* BitBtn2;  // "&Close"
  QPushButton* Button1;  // "configure"
  QLineEdit* Edit1;      // the apiary name
  QLabel* Label24;       // "&Apiary", the name field's label
  TUrlLabel* UrlLabel1;  // the program's web page

  // Command handlers; the toolkit calls them on a click or a key.
  virtual void BitBtn1Click();
  virtual void BitBtn2Click();
  virtual void Button1Click();
  void FormShow() {}

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  // Makes the outer size 286 x 171 once the desktop's frame is known.
  void FitOuterSize();
  TReportContext& context_;
  bool shown_ = false;   // shown at least once
  bool framed_ = false;  // fitted to a window manager's frame
};
