#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "app/vantrel_form.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QUrl;

namespace vantrel {

// One page of the help bundled into the program: its file, title and index keywords.
struct THelpPage {
    QString File;
    QString Title;
    QStringList Keywords;
};

// The help pages in the order of the contents; titles and keywords are read from the pages.
[[nodiscard]] const std::vector<THelpPage>& HelpPages();

// The help window over the pages bundled in the program: the contents, a keyword index that
// narrows as a key is typed, and the pages themselves with their links.
class THelpWindow final : public QWidget {
    Q_OBJECT

  public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the window with the contents, the keyword search (an empty key), or the page on
    // using help.
    void Show(THelpTopic topic);
    // Opens a page by file name ("troubleshooting.html"), with an optional "#anchor".
    void OpenPage(const QString& page);

  private:
    void FilterIndex(const QString& key);
    void MarkPageInContents(const QUrl& source);
    void OpenIndexEntry();

    QTabWidget* navigation_;
    QListWidget* contents_;
    QLineEdit* keyword_;
    QListWidget* index_;
    QTextBrowser* browser_;
};

}  // namespace vantrel
