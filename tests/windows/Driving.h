#pragma once
// What the window tests do alike: clicks, keypad keys, a data file's lines.
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "widgets/KP12/KP12.h"

namespace orlix::testing {

inline void Click(QWidget* parent, const char* name) {
  QTest::mouseClick(parent->findChild<QAbstractButton*>(QLatin1String(name)), Qt::LeftButton);
}

inline void Keys(KP12* pad, const QString& keys) {  // digits, '.', and 'E' for Enter
  for (const QChar c : keys) {
    const int key = c == 'E' ? KP12::kEnterKey : c == '.' ? KP12::kPointKey : c.digitValue();
    QTest::mouseClick(pad->Key(key), Qt::LeftButton);
  }
}

// The CR LF lines of a data file; a last line without its end is left out.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

}  // namespace orlix::testing
