// SPDX-License-Identifier: GPL-3.0-or-later
// TImageLabel: the state table, the image shown per state, immediate drawing and the key colour.
#include <QTemporaryDir>
#include <QtTest>

#include "GuiTestSupport.h"
#include "support/ButtonScripts.h"

using rz::gui::TImageLabel;
using Face = TImageLabel::Face;
using namespace rz::gui::test;

namespace {
const QColor kOwnerBackground(0, 0, 200);
const QColor kNormal(10, 200, 10), kHover(200, 200, 10), kPressed(200, 10, 10),
    kDisabled(90, 90, 90);
constexpr QPoint kInside(5, 5), kOutside(60, 5);
}  // namespace

// The shared button scripts through the toolkit's own events.
class QtButtonDriver final : public rz::test::ButtonDriver {
 public:
  QtButtonDriver() : button_(new TImageLabel(&owner_)) {
    owner_.resize(100, 60);
    button_->SetupButton(10, 10, 40, 20, true, rz::gui::SkinKeyColour());
    button_->AfterMouseUp = [this](TImageLabel*) { ++clicks_; };
    owner_.show();
    exposed_ = QTest::qWaitForWindowExposed(&owner_);  // paints happen only once it shows
  }
  bool exposed_ = false;
  void Do(const rz::test::ButtonStep& step) override {
    using S = rz::test::ButtonStep;
    const Qt::MouseButton b = step.button == rz::skin::MouseButton::Left    ? Qt::LeftButton
                              : step.button == rz::skin::MouseButton::Right ? Qt::RightButton
                                                                            : Qt::MiddleButton;
    switch (step.kind) {
      case S::Enter: Enter(button_); break;
      case S::Leave: Leave(button_); break;
      case S::MoveInside: Move(button_, b, kInside); break;
      case S::MoveOutside: Move(button_, b, kOutside); break;
      case S::Press: Press(button_, b, kInside); break;
      case S::Release: Release(button_, b, step.inside ? kInside : kOutside); break;
      case S::Disable: button_->SetBtnEnabled(false); break;
      case S::Enable: button_->SetBtnEnabled(true); break;
    }
  }
  rz::skin::Face Shown() override {
    return exposed_ ? button_->LastDrawn() : rz::skin::Face::None;
  }
  int Clicks() override { return clicks_; }

 private:
  QWidget owner_;
  TImageLabel* button_;
  int clicks_ = 0;
};

class ImageLabelTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  std::unique_ptr<QWidget> owner_;
  TImageLabel* button_ = nullptr;
  QList<QString> fired_;  // "up", "enter", "leave", with the face drawn at the time

  QString WriteBitmap(const QString& name, QColor colour) {
    QImage img(40, 20, QImage::Format_RGB888);
    img.fill(colour);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) img.setPixelColor(x, y, QColor(255, 0, 255));  // see-through
    img.setPixelColor(39, 19, QColor(254, 0, 255));  // one off the key: drawn
    const QString path = dir_.filePath(name);
    img.save(path, "BMP");
    return path;
  }

  QColor OwnerPixel(int x, int y) { return owner_->grab().toImage().pixelColor(x, y); }

 private slots:
  // What every renderer's button does, from the one table.
  void sharedScripts() {
    const auto problems =
        rz::test::RunButtonScripts([] { return std::make_unique<QtButtonDriver>(); });
    for (const auto& p : problems) qWarning("%s", p.c_str());
    QVERIFY(problems.empty());
  }

  void init() {
    owner_ = std::make_unique<QWidget>();
    owner_->resize(100, 60);
    QPalette pal;
    pal.setColor(QPalette::Window, kOwnerBackground);
    owner_->setPalette(pal);
    owner_->setAutoFillBackground(true);
    button_ = new TImageLabel(owner_.get());
    button_->SetupButton(10, 10, 40, 20, true, rz::gui::SkinKeyColour());
    button_->LoadNormalImage(WriteBitmap("n.bmp", kNormal));
    button_->LoadHoverImage(WriteBitmap("h.bmp", kHover));
    button_->LoadPressedImage(WriteBitmap("p.bmp", kPressed));
    button_->LoadDisabledImage(WriteBitmap("d.bmp", kDisabled));
    fired_.clear();
    auto record = [this](const char* what) {
      return [this, what](TImageLabel* sender) {
        QCOMPARE(sender, button_);
        fired_ << QStringLiteral("%1@%2").arg(what).arg(int(button_->LastDrawn()));
      };
    };
    button_->AfterMouseUp = record("up");
    button_->AfterMouseEnter = record("enter");
    button_->AfterMouseLeave = record("leave");
    owner_->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner_.get()));
  }

  void cleanup() { owner_.reset(); }

  void clickWithAnyButtonFiresAfterMouseUp_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
  }
  void clickWithAnyButtonFiresAfterMouseUp() {
    QFETCH(Qt::MouseButton, button);
    Enter(button_);
    QCOMPARE(button_->LastDrawn(), Face::Hover);
    Press(button_, button, kInside);
    QVERIFY(button_->Pressed());
    QCOMPARE(button_->LastDrawn(), Face::Pressed);
    QCOMPARE(fired_, QList<QString>({QStringLiteral("enter@2")}));  // a press fires nothing
    Release(button_, button, kInside);
    QVERIFY(!button_->Pressed());
    QCOMPARE(fired_, QList<QString>({QStringLiteral("enter@2"), QStringLiteral("up@2")}));
  }

  // The same press, move off and release delivered by the toolkit itself (crossings, mouse grab).
  void onlyTheLeftButtonHoldsTheMouse_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("fires");
    QTest::newRow("left") << Qt::LeftButton << true;
    QTest::newRow("right") << Qt::RightButton << false;
  }
  void onlyTheLeftButtonHoldsTheMouse() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, fires);
    QWindow* window = owner_->windowHandle();
    QVERIFY(window);
    const QPoint on(20, 20), off(80, 50);
    QTest::mouseMove(window, on);
    QTRY_VERIFY(button_->Hovered());
    QTest::mousePress(window, button, {}, on);
    QCOMPARE(button_->LastDrawn(), Face::Pressed);
    QTest::mouseMove(window, off);
    QTRY_VERIFY(!button_->Hovered());
    QTest::mouseRelease(window, button, {}, off);
    QCOMPARE(fired_.contains(QStringLiteral("up@1")), fires);
    QCOMPARE(button_->Pressed(), !fires);
    if (fires) QCOMPARE(button_->LastDrawn(), Face::Normal);
  }

  void leftPressMoveOffReleaseDrawsNormalAndFires() {
    Enter(button_);
    Press(button_, Qt::LeftButton, kInside);
    const int paints = button_->PaintCount();
    Move(button_, Qt::LeftButton, kOutside);
    QVERIFY(!button_->Hovered());
    QCOMPARE(button_->PaintCount(), paints);  // leaving while pressed keeps the pressed image
    QCOMPARE(button_->LastDrawn(), Face::Pressed);
    Release(button_, Qt::LeftButton, kOutside);  // the left button holds the mouse
    QCOMPARE(button_->LastDrawn(), Face::Normal);
    QCOMPARE(fired_.last(), QStringLiteral("up@1"));
    Leave(button_);  // the toolkit's late crossing changes nothing more
    QCOMPARE(fired_.count(QStringLiteral("leave@3")), 1);
    QCOMPARE(fired_.size(), 3);
  }

  void pressMoveOffAndBackReleaseDrawsHoverThenFires() {
    Enter(button_);
    Press(button_, Qt::LeftButton, kInside);
    Move(button_, Qt::LeftButton, kOutside);
    Move(button_, Qt::LeftButton, kInside);
    QVERIFY(button_->Hovered());
    QCOMPARE(button_->LastDrawn(), Face::Pressed);
    Release(button_, Qt::LeftButton, kInside);
    QCOMPARE(fired_, QList<QString>({"enter@2", "leave@3", "enter@3", "up@2"}));
  }

  void rightOrMiddleReleaseOffTheButtonIsNotSeen_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
  }
  void rightOrMiddleReleaseOffTheButtonIsNotSeen() {
    QFETCH(Qt::MouseButton, button);
    Enter(button_);
    Press(button_, button, kInside);
    Move(button_, button, kOutside);
    Release(button_, button, kOutside);
    QVERIFY(button_->Pressed());
    QCOMPARE(fired_, QList<QString>({"enter@2", "leave@3"}));  // no AfterMouseUp
  }

  void disabledButtonIgnoresEverythingAndShowsDisabledImage() {
    button_->SetBtnEnabled(false);
    QCOMPARE(button_->LastDrawn(), Face::Disabled);
    const int paints = button_->PaintCount();
    Enter(button_);
    Press(button_, Qt::LeftButton, kInside);
    Move(button_, Qt::LeftButton, kOutside);
    Release(button_, Qt::LeftButton, kInside);
    Leave(button_);
    QVERIFY(fired_.isEmpty());
    QVERIFY(!button_->Hovered() && !button_->Pressed());
    QCOMPARE(button_->PaintCount(), paints);
    button_->repaint();
    QCOMPARE(button_->LastDrawn(), Face::Disabled);
    QCOMPARE(OwnerPixel(20, 20), kDisabled);
  }

  void writingBtnEnabledToItsValueDrawsNothing() {
    int paints = button_->PaintCount();
    button_->SetBtnEnabled(true);
    QCOMPARE(button_->PaintCount(), paints);
    button_->SetBtnEnabled(false);
    QCOMPARE(button_->PaintCount(), paints + 1);
    button_->SetBtnEnabled(false);
    QCOMPARE(button_->PaintCount(), paints + 1);
  }

  void reEnablingUnderThePointerShowsNormalUntilNextEvent() {
    Enter(button_);
    button_->SetBtnEnabled(false);
    button_->SetBtnEnabled(true);
    QVERIFY(button_->Hovered());
    QCOMPARE(button_->LastDrawn(), Face::Normal);
    button_->repaint();
    QCOMPARE(button_->LastDrawn(), Face::Hover);
  }

  void leavingAnInvisibleButtonOnlyClearsState() {
    Enter(button_);
    Press(button_, Qt::RightButton, kInside);
    button_->hide();
    const int paints = button_->PaintCount();
    Leave(button_);
    QVERIFY(!button_->Hovered() && !button_->Pressed());
    QCOMPARE(button_->PaintCount(), paints);
    QCOMPARE(fired_, QList<QString>({QStringLiteral("enter@2")}));
  }

  void keyColourPixelsAreNeverDrawn() {
    QCOMPARE(button_->cursor().shape(), Qt::PointingHandCursor);
    const QImage before = owner_->grab().toImage();
    QCOMPARE(before.pixelColor(12, 12), kOwnerBackground);  // magenta corner of the image
    QCOMPARE(before.pixelColor(30, 20), kNormal);
    QCOMPARE(before.pixelColor(49, 29), QColor(254, 0, 255));  // a near-key colour is drawn
    Enter(button_);
    Press(button_, Qt::LeftButton, kInside);
    const QImage pressed = owner_->grab().toImage();
    QCOMPARE(pressed.pixelColor(12, 12), kOwnerBackground);
    QCOMPARE(pressed.pixelColor(30, 20), kPressed);
  }

  void missingFileKeepsTheSlotAndDrawsNothingThere() {
    button_->LoadHoverImage(dir_.filePath("missing.bmp"));
    QVERIFY(!button_->Image(Face::Hover).isNull());  // the earlier image stays
    auto* bare = new TImageLabel(owner_.get());
    bare->SetupButton(60, 30, 30, 20, true, rz::gui::SkinKeyColour());
    bare->LoadNormalImage(dir_.filePath("missing.bmp"));
    bare->show();
    QVERIFY(bare->Image(Face::Normal).isNull());
    QCOMPARE(OwnerPixel(70, 40), kOwnerBackground);
    bool clicked = false;
    bare->AfterMouseUp = [&](TImageLabel*) { clicked = true; };
    Click(bare);
    QVERIFY(clicked);  // it still works over its whole rectangle
  }
};

QTEST_MAIN(ImageLabelTest)
#include "ImageLabelTest.moc"
