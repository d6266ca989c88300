// The pass-file text box as a screen reader sees it: text, lines, words, caret, selection
// and change events through Qt's accessibility interfaces.
#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QtTest>
#include <string>

#include "passfiles/ui/PassTextView.h"

using orlix::PassTextView;
using orlix::passview::ViewText;

namespace {

QList<QAccessible::Event> g_events;
QList<QString> g_updates;  // the new text of each update event

void RecordEvent(QAccessibleEvent* event) {
  if (qobject_cast<PassTextView*>(event->object()) == nullptr) return;
  g_events << event->type();
  if (event->type() == QAccessible::TextUpdated) {
    g_updates << static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
  }
}

QAccessibleTextInterface* TextOf(PassTextView& view) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
  return iface ? iface->textInterface() : nullptr;
}

// "line 000000\r\nline 000001\r\n...": n lines of 13 characters with CR LF.
std::string Lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "line %06d\r\n", i);
    s += line;
  }
  return s;
}

}  // namespace

class TextAccessibleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // As when a screen reader listens: the platform's accessibility is switched on.
    QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    QVERIFY(QAccessible::isActive());
    QAccessible::installUpdateHandler(&RecordEvent);
  }
  void init() {
    g_events.clear();
    g_updates.clear();
  }

  void textComesBackAsInTheFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("pass file, CR LF") << QByteArray(" Pass  07\r\n 000001  0120.4\r\n");
    QTest::newRow("LF, no final end") << QByteArray("a\nbc");
    QTest::newRow("lone CR and mixed") << QByteArray("a\rb\r\nc\n\n");
    QTest::newRow("UTF-8") << QByteArray("Thickness 5 \xC2\xB5m\r\n");
    QTest::newRow("empty") << QByteArray();
  }
  void textComesBackAsInTheFile() {
    QFETCH(QByteArray, bytes);
    PassTextView view;
    view.SetText(ViewText::Decode(bytes.toStdString()));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::EditableText);
    QVERIFY(iface->state().readOnly);
    QAccessibleTextInterface* text = iface->textInterface();
    QVERIFY(text);
    const QString expected = QString::fromUtf8(bytes);
    QCOMPARE(text->characterCount(), expected.size());
    QCOMPARE(text->text(0, text->characterCount()), expected);
    QCOMPARE(text->text(1, 3), expected.mid(1, 2));
  }

  void unitsAroundAnOffset_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("boundary");
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    // Text: "ab 12.5\r\ncd\r\nef"
    const int line = QAccessible::LineBoundary;
    const int word = QAccessible::WordBoundary;
    const int chr = QAccessible::CharBoundary;
    QTest::newRow("line of a cell") << 4 << line << "ab 12.5\r\n" << "" << "cd\r\n";
    QTest::newRow("line of its CR") << 7 << line << "ab 12.5\r\n" << "" << "cd\r\n";
    QTest::newRow("middle line") << 9 << line << "cd\r\n" << "ab 12.5\r\n" << "ef";
    QTest::newRow("last line, at the end") << 15 << line << "ef" << "cd\r\n" << "";
    QTest::newRow("number as a word") << 5 << word << "12.5" << " " << "\r";
    QTest::newRow("blank is its own unit") << 2 << word << " " << "ab" << "12.5";
    QTest::newRow("character") << 1 << chr << "b" << "a" << " ";
  }
  void unitsAroundAnOffset() {
    QFETCH(int, offset);
    QFETCH(int, boundary);
    QFETCH(QString, at);
    QFETCH(QString, before);
    QFETCH(QString, after);
    PassTextView view;
    view.SetText(ViewText::Decode("ab 12.5\r\ncd\r\nef"));
    QAccessibleTextInterface* text = TextOf(view);
    QVERIFY(text);
    const auto type = static_cast<QAccessible::TextBoundaryType>(boundary);
    int start = -2;
    int end = -2;
    const QString found = text->textAtOffset(offset, type, &start, &end);
    QCOMPARE(found, at);
    QCOMPARE(text->text(start, end), at);
    QCOMPARE(text->textBeforeOffset(offset, type, &start, &end), before);
    QCOMPARE(text->textAfterOffset(offset, type, &start, &end), after);
  }

  // A 24-hour pass has hundreds of thousands of lines: offsets reach every one of them.
  void longFile() {
    const std::string bytes = Lines(300'000);
    PassTextView view;
    view.SetText(ViewText::Decode(bytes));
    QAccessibleTextInterface* text = TextOf(view);
    QVERIFY(text);
    QCOMPARE(text->characterCount(), int(bytes.size()));
    int start = 0;
    int end = 0;
    const int offset = 13 * 212'345 + 3;
    QCOMPARE(text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end),
             QStringLiteral("line 212345\r\n"));
    QCOMPARE(start, 13 * 212'345);
    QCOMPARE(text->textAtOffset(int(bytes.size()) - 1, QAccessible::LineBoundary, &start, &end),
             QStringLiteral("line 299999\r\n"));
  }

  void selectionFollowsTheMouseAndBack() {
    PassTextView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.SetText(ViewText::Decode(" 000006  0119.2  0350\r\n 000007  0120.1  0350\r\n"));
    QAccessibleTextInterface* text = TextOf(view);
    QVERIFY(text);
    QCOMPARE(text->selectionCount(), 0);
    const QRectF from = view.CellRect({1, 9});
    const QRectF to = view.CellRect({1, 15});
    QWidget* viewport = view.viewport();
    const QPoint a(int(from.left()) + 1, int(from.center().y()));
    const QPoint b(int(to.left()) + 1, int(to.center().y()));
    g_events.clear();
    QTest::mousePress(viewport, Qt::LeftButton, {}, a);
    QTest::mouseMove(viewport, b);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, b);
    QCOMPARE(view.SelectedText(), QStringLiteral("0120.1"));
    QCOMPARE(text->selectionCount(), 1);
    int start = 0;
    int end = 0;
    text->selection(0, &start, &end);
    QCOMPARE(start, 23 + 9);
    QCOMPARE(end, 23 + 15);
    QCOMPARE(text->text(start, end), QStringLiteral("0120.1"));
    QCOMPARE(text->cursorPosition(), end);
    QVERIFY(g_events.contains(QAccessible::TextSelectionChanged));

    // A client selects and moves the caret the same way.
    text->setSelection(0, 9, 15);
    QCOMPARE(view.SelectedText(), QStringLiteral("0119.2"));
    text->setCursorPosition(24);
    QVERIFY(!view.HasSelection());
    QCOMPARE(view.Caret().line, std::size_t{1});
    QCOMPARE(view.Caret().column, std::size_t{1});
    QVERIFY(g_events.contains(QAccessible::TextCaretMoved));
    // The character under the caret is where the interface says it is.
    const QRect cell = text->characterRect(24);
    QCOMPARE(text->offsetAtPoint(cell.center()), 24);
  }

  void loadingAnotherFileIsReported() {
    PassTextView view;
    view.SetText(ViewText::Decode("first\r\n"));
    QVERIFY(TextOf(view));
    g_updates.clear();
    view.SetText(ViewText::Decode("second\r\nfile"));
    QCOMPARE(g_updates, QList<QString>{QStringLiteral("second\r\nfile")});
    QCOMPARE(TextOf(view)->text(0, 100), QStringLiteral("second\r\nfile"));
  }
};

QTEST_MAIN(TextAccessibleTest)
#include "test_text_accessible.moc"
