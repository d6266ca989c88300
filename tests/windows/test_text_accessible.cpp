// The pass-file text box as a screen reader reads it through Qt's accessibility interface.
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QAccessible>
#include <QtTest>

#include "passfiles/ui/PassTextView.h"

using namespace orlix;

namespace {

QStringList g_events;  // the view's events: their types, with the new text of an update

void Record(QAccessibleEvent* event) {
  if (!qobject_cast<PassTextView*>(event->object())) return;
  g_events << QString::number(event->type());
  if (event->type() == QAccessible::TextUpdated)
    g_events.last() += ' ' + static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
}

// A view holding the bytes of a file, and its accessibility text interface.
struct View : PassTextView {
  explicit View(const std::string& bytes) { SetText(passview::ViewText::Decode(bytes)); }
  QAccessibleTextInterface* Text() {
    return QAccessible::queryAccessibleInterface(this)->textInterface();
  }
};

}  // namespace

class TestTextAccessible : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // As when a screen reader listens: the platform's accessibility is switched on.
    QPlatformAccessibility* platform =
        QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    QAccessible::installUpdateHandler(&Record);
  }

  // Loading another file is reported with its text; the text reads as in the file.
  void wholeTextAsInTheFile() {
    const std::string bytes = " Pass  07\r\n 000001  0120.4 \xC2\xB5m\r\n";
    View view("first\r\n");
    g_events.clear();
    view.SetText(passview::ViewText::Decode(bytes));
    const QString expected = QString::fromStdString(bytes);
    QCOMPARE(g_events, QStringList{QString::number(QAccessible::TextUpdated) + ' ' + expected});
    QCOMPARE(view.Text()->characterCount(), expected.size());
    QCOMPARE(view.Text()->text(0, expected.size()), expected);
  }

  // In "ab 12.5\r\ncd\r\nef": the unit at an offset, the one before and the one after.
  void unitsAroundAnOffset() {
    View view("ab 12.5\r\ncd\r\nef");
    const auto line = QAccessible::LineBoundary;
    for (auto [offset, type, at, before, after] :  // a cell, its CR, the middle line, the end
         {std::tuple{4, line, "ab 12.5\r\n", "", "cd\r\n"},
          {7, line, "ab 12.5\r\n", "", "cd\r\n"},
          {9, line, "cd\r\n", "ab 12.5\r\n", "ef"},
          {15, line, "ef", "cd\r\n", ""},
          {5, QAccessible::WordBoundary, "12.5", " ", "\r"}}) {  // a number as a word
      int start = -2, end = -2;
      QCOMPARE(view.Text()->textBeforeOffset(offset, type, &start, &end), before);
      QCOMPARE(view.Text()->textAfterOffset(offset, type, &start, &end), after);
      QCOMPARE(view.Text()->textAtOffset(offset, type, &start, &end), at);
      QCOMPARE(view.Text()->text(start, end), at);
    }
  }

  // A 24-hour pass has hundreds of thousands of lines: offsets reach every one of them.
  void longFile() {
    std::string bytes;
    for (int i = 0; i < 300'000; ++i)
      bytes += QString("line %1\r\n").arg(i, 6, 10, QChar('0')).toStdString();
    View view(bytes);
    int start = 0, end = 0;
    QCOMPARE(view.Text()->characterCount(), int(bytes.size()));
    QCOMPARE(view.Text()->textAtOffset(13 * 212'345 + 3, QAccessible::LineBoundary, &start, &end),
             "line 212345\r\n");
    QCOMPARE(start, 13 * 212'345);
  }

  // A drag selects; the selection and the caret are read and reported.
  void selectionAfterADrag() {
    View view(" 000006  0119.2  0350\r\n 000007  0120.1  0350\r\n");
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view) && view.Text()->selectionCount() == 0);
    const QPoint from = view.CellRect({1, 9}).topLeft().toPoint() + QPoint(1, 4);
    const QPoint to = view.CellRect({1, 15}).topLeft().toPoint() + QPoint(1, 4);
    g_events.clear();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view.viewport(), to);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    int start = 0, end = 0;
    view.Text()->selection(0, &start, &end);
    QVERIFY(view.Text()->selectionCount() == 1 && start == 23 + 9 && end == 23 + 15);
    QVERIFY(view.Text()->cursorPosition() == end && view.Text()->text(start, end) == "0120.1");
    QVERIFY(g_events.contains(QString::number(QAccessible::TextSelectionChanged)));
  }
};

QTEST_MAIN(TestTextAccessible)
#include "test_text_accessible.moc"
