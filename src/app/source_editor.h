#pragma once

#include <Qsci/qsciscintilla.h>

#include <string>
#include <vector>

#include "device/pic_device.h"

namespace vantrel {

class TPicAsmLexer;

// The "Source code" page's editor: PIC assembler with highlighting, line numbers, undo and
// redo, and completion of mnemonics, directives and the device's register and bit names, in a
// fixed-pitch font with tabs of four columns.
class TSourceEditor final : public QsciScintilla {
    Q_OBJECT

  public:
    explicit TSourceEditor(QWidget* parent = nullptr);

    // Replaces all lines (an undoable change).
    void SetLines(const std::vector<std::string>& lines);
    // The editor's text as lines, as a save writes them.
    [[nodiscard]] std::vector<std::string> Lines() const;
    // The device whose names are highlighted and completed.
    void SetDevice(const TPicDevice& device);

    // The size of the text, in points.
    void SetTextSize(qreal points);

    [[nodiscard]] TPicAsmLexer* Lexer() const { return lexer_; }

    // Shows the completion list for the word before the cursor, when it has `minimum`
    // characters or more and some word starts with them.
    void ShowCompletions(int minimum);

  private:
    void UpdateLineNumberMargin();

    TPicAsmLexer* lexer_;
    QByteArray completionList_;  // the words, space separated, as the editor's list takes them
};

}  // namespace vantrel
