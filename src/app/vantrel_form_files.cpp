// The file commands of the window: the recent files.

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "app/vantrel_form.h"

namespace vantrel {

void TVantrelForm::ReopenSetup() {
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        QAction* item = RecentFileItems.at(i);
        const bool listed = !recentFiles_.at(i).isEmpty();
        // A "&" in a path is a letter, not the mark of a keyboard shortcut.
        item->setText(QString(recentFiles_.at(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setEnabled(listed);
        item->setVisible(listed);
    }
    ReOpen->setEnabled(!recentFiles_.front().isEmpty());
}

void TVantrelForm::ReopenAdd(const QString& path) {
    auto listed = std::remove(recentFiles_.begin(), recentFiles_.end(), path);
    std::fill(listed, recentFiles_.end(), QString());
    std::shift_right(recentFiles_.begin(), recentFiles_.end(), 1);
    recentFiles_.front() = path;
    ReopenSetup();
}

}  // namespace vantrel
