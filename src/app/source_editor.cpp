#include "app/source_editor.h"

#include <QFontMetrics>
#include <QShortcut>

#include "app/pic_asm_lexer.h"
#include "app/qt_text.h"

namespace vantrel {

namespace {

constexpr int kTabWidth = 4;
constexpr int kTypedCompletionMinimum = 2;
constexpr int kLineNumberMargin = 0;
constexpr char kListSeparator = ' ';

}  // namespace

TSourceEditor::TSourceEditor(QWidget* parent)
    : QsciScintilla(parent), lexer_(new TPicAsmLexer(this)) {
    setUtf8(true);
    setLexer(lexer_);
    setTabWidth(kTabWidth);
    setIndentationsUseTabs(false);
    setWrapMode(WrapNone);
    setMarginType(kLineNumberMargin, NumberMargin);
    setMarginLineNumbers(kLineNumberMargin, true);
    setMarginsFont(lexer_->defaultFont(TPicAsmLexer::Default));
    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(0xF2, 0xF6, 0xFF));
    SendScintilla(SCI_AUTOCSETIGNORECASE, 1L);
    SendScintilla(SCI_AUTOCSETORDER, static_cast<long>(SC_ORDER_PERFORMSORT));
    SendScintilla(SCI_AUTOCSETSEPARATOR, static_cast<long>(kListSeparator));
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this,
            [this](int) { ShowCompletions(kTypedCompletionMinimum); });
    auto* complete = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space), this);
    complete->setContext(Qt::WidgetWithChildrenShortcut);
    connect(complete, &QShortcut::activated, this, [this] { ShowCompletions(1); });
    connect(this, &QsciScintilla::linesChanged, this, &TSourceEditor::UpdateLineNumberMargin);
    UpdateLineNumberMargin();
}

void TSourceEditor::SetLines(const std::vector<std::string>& lines) {
    const QString text = LinesText(lines);
    // One undoable replacement of everything, so Undo brings back what the user had.
    beginUndoAction();
    selectAll();
    replaceSelectedText(text);
    endUndoAction();
    setCursorPosition(0, 0);
}

std::vector<std::string> TSourceEditor::Lines() const {
    std::vector<std::string> lines;
    for (int line = 0; line < this->lines(); ++line) {
        QString content = text(line);
        while (content.endsWith(QLatin1Char('\n')) || content.endsWith(QLatin1Char('\r'))) {
            content.chop(1);
        }
        lines.push_back(ToStdString(content));
    }
    // The empty line after the last line break is not a line of the text.
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

void TSourceEditor::SetDevice(const TPicDevice& device) {
    lexer_->SetDevice(device);
    completionList_ = lexer_->CompletionWords().join(QLatin1Char(kListSeparator)).toLatin1();
}

void TSourceEditor::SetTextSize(qreal points) {
    for (int style = 0; style < TPicAsmLexer::kStyleCount; ++style) {
        QFont font = lexer_->font(style);
        font.setPointSizeF(points);
        lexer_->setFont(font, style);
    }
    QFont margins = lexer_->defaultFont(TPicAsmLexer::Default);
    margins.setPointSizeF(points);
    setMarginsFont(margins);
    UpdateLineNumberMargin();
}

void TSourceEditor::ShowCompletions(int minimum) {
    int line = 0;
    int column = 0;
    getCursorPosition(&line, &column);
    const QString before = text(line).left(column);
    int wordStart = static_cast<int>(before.size());
    while (wordStart > 0 && (before.at(wordStart - 1).isLetterOrNumber() ||
                             before.at(wordStart - 1) == QLatin1Char('_') ||
                             before.at(wordStart - 1) == QLatin1Char('#'))) {
        --wordStart;
    }
    const int typed = static_cast<int>(before.size()) - wordStart;
    if (typed < minimum || completionList_.isEmpty()) {
        return;
    }
    const QString prefix = before.mid(wordStart);
    bool any = false;
    for (const QByteArray& word : completionList_.split(kListSeparator)) {
        if (QString::fromLatin1(word).startsWith(prefix, Qt::CaseInsensitive)) {
            any = true;
            break;
        }
    }
    if (any) {
        SendScintilla(SCI_AUTOCSHOW, static_cast<unsigned long>(typed),
                      completionList_.constData());
    }
}

void TSourceEditor::UpdateLineNumberMargin() {
    const QString widest = QString::number(std::max(lines(), 1000)) + QLatin1Char('0');
    setMarginWidth(kLineNumberMargin, widest);
}

}  // namespace vantrel
