// SPDX-License-Identifier: GPL-3.0-or-later
// TFormMsg and TFormYesNo: size and shape, the message label and its line breaks, Answer, drag.
#include <QtTest>

#include "GuiTestSupport.h"
#include "gui/SkinDialogs.h"

using namespace rz::gui;
using namespace rz::gui::test;

namespace {

// Columns and rows of the dialog where the message text left dark pixels.
struct Ink {
  QList<int> rows;
  QMap<int, int> firstColumn;  // row -> leftmost dark column
};

Ink FindInk(QWidget& dialog) {
  const QImage img = dialog.grab().toImage();
  Ink ink;
  for (int y = 14; y < 60; ++y)
    for (int x = 14; x < 316; ++x)
      if (qGray(img.pixel(x, y)) < 110) {
        ink.rows << y;
        ink.firstColumn[y] = x;
        break;
      }
  return ink;
}

// Splits rows into runs of consecutive rows: the text lines.
QList<QList<int>> Lines(const QList<int>& rows) {
  QList<QList<int>> lines;
  for (int r : rows) {
    if (lines.isEmpty() || lines.last().last() + 1 < r) lines.append(QList<int>());
    lines.last() << r;
  }
  return lines;
}

}  // namespace

class SkinDialogsTest : public QObject {
  Q_OBJECT

  rz::test::TempDir dir_;
  std::string folder_;

 private slots:
  void initTestCase() {
    folder_ = dir_.Path().string() + "/";
    CopySkin(folder_);
  }

  void bothDialogsShowRowsOneTo107OfTheirPicture() {
    TFormMsg msg(nullptr, folder_);
    TFormYesNo yesNo(nullptr, folder_);
    const QImage bk = DialogBackgroundPicture();
    QCOMPARE(bk.size(), QSize(330, 109));
    for (TSkinDialog* d : std::initializer_list<TSkinDialog*>{&msg, &yesNo}) {
      QCOMPARE(d->size(), QSize(330, 107));
      QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
      QCOMPARE(d->ImageBk->pos(), QPoint(0, -1));
      QCOMPARE(d->LMessage->pos(), QPoint(16, 24));
      QCOMPARE(d->LMessage->text(), QStringLiteral("NULL"));
      QCOMPARE(d->LMessage->font().pixelSize(), 13);
      // See-through exactly where the picture row below shows pure green.
      const QRegion mask = d->mask();
      for (int y = 0; y < 107; ++y)
        for (int x = 0; x < 330; ++x)
          if (mask.contains(QPoint(x, y)) == ((bk.pixel(x, y + 1) & 0xFFFFFF) == 0x00FF00))
            QFAIL(qPrintable(QStringLiteral("mask wrong at %1,%2").arg(x).arg(y)));
    }
    // Pure green outside the 312 x 93 body whose top-left corner is at (9,7).
    QCOMPARE(bk.pixel(8, 50) & 0xFFFFFF, 0x00FF00u);
    QVERIFY((bk.pixel(9, 50) & 0xFFFFFF) != 0x00FF00u);
    QVERIFY((bk.pixel(320, 50) & 0xFFFFFF) != 0x00FF00u);
    QCOMPARE(bk.pixel(321, 50) & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(bk.pixel(160, 100) & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(bk.pixel(9, 7) & 0xFFFFFF, 0x00FF00u);  // curved corner
    QCOMPARE(msg.btOk->geometry(), QRect(130, 62, 63, 29));
    QCOMPARE(yesNo.btYes->geometry(), QRect(98, 62, 68, 26));
    QCOMPARE(yesNo.btNo->geometry(), QRect(166, 62, 66, 26));
    QVERIFY(!msg.btOk->Image(TImageLabel::Face::Pressed).isNull());
    QCOMPARE(yesNo.btNo->Image(TImageLabel::Face::Disabled), yesNo.btNo->Image(TImageLabel::Face::Normal));
  }

  void lineBreaksAreExplicitOnly_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("crlf") << QStringLiteral("Line one\r\nLine two");
    QTest::newRow("lf") << QStringLiteral("Line one\nLine two");
  }
  void lineBreaksAreExplicitOnly() {
    QFETCH(QString, text);
    TFormMsg msg(nullptr, folder_);
    msg.SetMessage(text);
    msg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&msg));
    const Ink ink = FindInk(msg);
    const auto lines = Lines(ink.rows);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].first() >= 24);
    // The second line starts below the first, at the same left edge.
    const int left0 = ink.firstColumn[lines[0][lines[0].size() / 2]];
    const int left1 = ink.firstColumn[lines[1][lines[1].size() / 2]];
    QVERIFY2(left0 >= 16 && left0 <= 18, qPrintable(QString::number(left0)));
    QCOMPARE(left1, left0);
    QCOMPARE(msg.LMessage->height(), 2 * msg.LMessage->fontMetrics().lineSpacing());
  }

  void longLineIsNotWrapped() {
    TFormMsg msg(nullptr, folder_);
    msg.SetMessage(QString(80, QLatin1Char('W')));
    QCOMPARE(msg.LMessage->height(), msg.LMessage->fontMetrics().height());
    QVERIFY(msg.LMessage->width() > 330);
  }

  void answerIsTrueOnlyThroughYes_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << "yes" << true;
    QTest::newRow("no") << "no" << false;
    QTest::newRow("closed") << "close" << false;
    QTest::newRow("yes pressed, released off it") << "yes-drag" << true;
  }
  void answerIsTrueOnlyThroughYes() {
    QFETCH(QString, how);
    QFETCH(bool, answer);
    TFormYesNo dialog(nullptr, folder_);
    QVERIFY(!dialog.Answer);
    WhenModal([&](QWidget* modal) {
      QCOMPARE(modal, static_cast<QWidget*>(&dialog));
      if (how == "yes") Click(dialog.btYes);
      if (how == "no") Click(dialog.btNo);
      if (how == "close") dialog.close();
      if (how == "yes-drag") {
        Enter(dialog.btYes);
        Press(dialog.btYes, Qt::LeftButton);
        Move(dialog.btYes, Qt::LeftButton, {200, 10});
        Release(dialog.btYes, Qt::LeftButton, {200, 10});
      }
    });
    dialog.exec();
    QCOMPARE(dialog.Answer, answer);
    QVERIFY(!dialog.isVisible());
  }

  void onlyLeftPressOnTheBackgroundMovesTheDialog() {
    TFormYesNo dialog(nullptr, folder_);
    int moves = 0;
    dialog.systemMove = [&](QWidget&) { ++moves; };
    Press(dialog.ImageBk, Qt::RightButton, {20, 80});
    QCOMPARE(moves, 0);
    Press(dialog.ImageBk, Qt::LeftButton, {20, 80});
    QCOMPARE(moves, 1);
  }

  void missingSkinLeavesAWorkingButton() {
    rz::test::TempDir empty;
    TFormYesNo dialog(nullptr, empty.Path().string() + "/");
    QVERIFY(dialog.btYes->Image(TImageLabel::Face::Normal).isNull());
    WhenModal([&](QWidget*) { Click(dialog.btYes); });
    dialog.exec();
    QVERIFY(dialog.Answer);
  }
};

QTEST_MAIN(SkinDialogsTest)
#include "SkinDialogsTest.moc"
