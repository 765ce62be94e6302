#include "app/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantrel {

namespace {

// The pages, in the order the contents list them.
constexpr const char* kPageFiles[] = {
    "index.html",        "getting-started.html", "window.html",    "files.html",
    "chip-checks.html",  "commands.html",        "buffer.html",    "fuses.html",
    "options.html",      "presets.html",         "hardware.html",  "simulator.html",
    "command-line.html", "troubleshooting.html", "using-help.html"};

constexpr const char* kHelpRoot = "qrc:/help/";
constexpr const char* kContentsPage = "index.html";
constexpr const char* kUsingHelpPage = "using-help.html";
constexpr int kPageRole = Qt::UserRole;

QString PageSource(const QString& file) {
    QFile page(QStringLiteral(":/help/") + file);
    if (!page.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(page.readAll());
}

THelpPage ReadPage(const QString& file) {
    static const QRegularExpression title(QStringLiteral("<title>(.*)</title>"));
    static const QRegularExpression keywords(
        QStringLiteral("<meta name=\"keywords\" content=\"([^\"]*)\""));
    const QString source = PageSource(file);
    THelpPage page{file, file, {}};
    if (const auto match = title.match(source); match.hasMatch()) {
        page.Title = match.captured(1).trimmed();
    }
    if (const auto match = keywords.match(source); match.hasMatch()) {
        for (const QString& keyword : match.captured(1).split(QLatin1Char(','))) {
            if (!keyword.trimmed().isEmpty()) {
                page.Keywords.append(keyword.trimmed());
            }
        }
    }
    return page;
}

}  // namespace

const std::vector<THelpPage>& HelpPages() {
    static const std::vector<THelpPage> pages = [] {
        std::vector<THelpPage> read;
        for (const char* file : kPageFiles) {
            read.push_back(ReadPage(QString::fromLatin1(file)));
        }
        return read;
    }();
    return pages;
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vantrel Help"));

    contents_ = new QListWidget;
    contents_->setObjectName(QStringLiteral("HelpContents"));
    contents_->setAccessibleName(QStringLiteral("Contents"));
    for (const THelpPage& page : HelpPages()) {
        auto* item = new QListWidgetItem(page.Title, contents_);
        item->setData(kPageRole, page.File);
    }

    auto* indexPage = new QWidget;
    keyword_ = new QLineEdit;
    keyword_->setObjectName(QStringLiteral("HelpKeyword"));
    keyword_->setPlaceholderText(QStringLiteral("Type a keyword"));
    auto* keywordLabel = new QLabel(QStringLiteral("&Keyword:"));
    keywordLabel->setBuddy(keyword_);
    index_ = new QListWidget;
    index_->setObjectName(QStringLiteral("HelpIndex"));
    index_->setAccessibleName(QStringLiteral("Index"));
    index_->setSortingEnabled(true);
    for (const THelpPage& page : HelpPages()) {
        for (const QString& keyword : page.Keywords) {
            auto* item = new QListWidgetItem(keyword, index_);
            item->setData(kPageRole, page.File);
            item->setToolTip(page.Title);
        }
    }
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(keywordLabel);
    indexLayout->addWidget(keyword_);
    indexLayout->addWidget(index_);

    navigation_ = new QTabWidget;
    navigation_->setObjectName(QStringLiteral("HelpNavigation"));
    navigation_->addTab(contents_, QStringLiteral("&Contents"));
    navigation_->addTab(indexPage, QStringLiteral("&Index"));

    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);

    auto* splitter = new QSplitter;
    splitter->addWidget(navigation_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);
    const int em = fontMetrics().height();
    resize(em * 50, em * 34);
    splitter->setSizes({em * 14, em * 36});

    connect(contents_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenPage(item->data(kPageRole).toString()); });
    connect(contents_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenPage(item->data(kPageRole).toString()); });
    connect(browser_, &QTextBrowser::sourceChanged, this, &THelpWindow::MarkPageInContents);
    connect(keyword_, &QLineEdit::textChanged, this, &THelpWindow::FilterIndex);
    connect(keyword_, &QLineEdit::returnPressed, this, &THelpWindow::OpenIndexEntry);
    connect(index_, &QListWidget::itemActivated, this, &THelpWindow::OpenIndexEntry);
    connect(index_, &QListWidget::itemClicked, this, &THelpWindow::OpenIndexEntry);
}

void THelpWindow::Show(THelpTopic topic) {
    switch (topic) {
        case THelpTopic::Contents:
            navigation_->setCurrentIndex(0);
            OpenPage(QString::fromLatin1(kContentsPage));
            contents_->setFocus();
            break;
        case THelpTopic::Search:
            navigation_->setCurrentIndex(1);
            keyword_->clear();
            FilterIndex({});
            keyword_->setFocus();
            break;
        case THelpTopic::HowToUse:
            navigation_->setCurrentIndex(0);
            OpenPage(QString::fromLatin1(kUsingHelpPage));
            break;
    }
    show();
    raise();
    activateWindow();
}

void THelpWindow::OpenPage(const QString& page) {
    browser_->setSource(QUrl(QString::fromLatin1(kHelpRoot) + page));
}

// The contents list marks the page on show, however it was reached.
void THelpWindow::MarkPageInContents(const QUrl& source) {
    const QString file = source.fileName();
    for (int row = 0; row < contents_->count(); ++row) {
        if (contents_->item(row)->data(kPageRole).toString() == file) {
            const QSignalBlocker blocker(contents_);
            contents_->setCurrentRow(row);
            return;
        }
    }
}

// The index narrows to the keywords that start with the key typed so far.
void THelpWindow::FilterIndex(const QString& key) {
    QListWidgetItem* first = nullptr;
    for (int row = 0; row < index_->count(); ++row) {
        QListWidgetItem* item = index_->item(row);
        const bool matches = item->text().startsWith(key.trimmed(), Qt::CaseInsensitive);
        item->setHidden(!matches);
        if (matches && first == nullptr) {
            first = item;
        }
    }
    index_->setCurrentItem(first);
}

void THelpWindow::OpenIndexEntry() {
    if (QListWidgetItem* item = index_->currentItem(); item != nullptr && !item->isHidden()) {
        OpenPage(item->data(kPageRole).toString());
    }
}

}  // namespace vantrel
