#include "app/qt_text.h"

#include <QAction>
#include <QWidget>

namespace vantrel {

namespace {

struct THint {
    QString Short;
    QString Long;
};

THint SplitHint(std::string_view hint) {
    const std::size_t bar = hint.find('|');
    if (bar == std::string_view::npos) {
        return {ToQString(hint), ToQString(hint)};
    }
    return {ToQString(hint.substr(0, bar)), ToQString(hint.substr(bar + 1))};
}

}  // namespace

QString MessageBoxText(std::string_view text) {
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (lines.endsWith(QLatin1Char('\n'))) {
        lines.chop(1);
    }
    return lines;
}

QString LinesText(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& line : lines) {
        text += ToQString(line);
        text += QLatin1Char('\n');
    }
    return text;
}

void SetHint(QWidget* widget, std::string_view hint) {
    const THint parts = SplitHint(hint);
    widget->setToolTip(parts.Short);
    widget->setStatusTip(parts.Long);
}

void SetHint(QAction* action, std::string_view hint) {
    const THint parts = SplitHint(hint);
    action->setToolTip(parts.Short);
    action->setStatusTip(parts.Long);
}

}  // namespace vantrel
