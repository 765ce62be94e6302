#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QWidget;

namespace vantrel {

[[nodiscard]] inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

[[nodiscard]] inline std::string ToStdString(const QString& text) {
    return text.toStdString();
}

// A message of the core as a message box shows it: its lines are broken with "\r\n" or a lone
// "\r"; trailing breaks are dropped.
[[nodiscard]] QString MessageBoxText(std::string_view text);

// Lines as one text, each ended by a line break.
[[nodiscard]] QString LinesText(const std::vector<std::string>& lines);

// A hint "short|long": the short text becomes the tool tip, the long one the status tip that
// the status line shows. A hint without "|" is both.
void SetHint(QWidget* widget, std::string_view hint);
void SetHint(QAction* action, std::string_view hint);

}  // namespace vantrel
