#pragma once

#include <Qsci/qscilexercustom.h>

#include <QSet>
#include <QString>
#include <QStringList>

#include "device/pic_device.h"

namespace vantrel {

// Highlighting for PIC assembler source as the disassembler writes it and as the chips'
// assembler reads it: labels in the first column, instruction mnemonics, directives, the
// device's register and bit names, numbers in their several notations, strings and comments.
class TPicAsmLexer final : public QsciLexerCustom {
    Q_OBJECT

  public:
    enum TStyle {
        Default = 0,
        Comment,
        Mnemonic,
        Directive,
        Register,
        Label,
        Number,
        String,
        kStyleCount
    };

    explicit TPicAsmLexer(QObject* parent = nullptr);

    // The register and bit names of `device` (from its include file) become known names.
    void SetDevice(const TPicDevice& device);

    // Every word the editor completes: mnemonics, directives and the device's names, sorted.
    [[nodiscard]] QStringList CompletionWords() const;

    // The style of a word standing at `firstColumn` (a word there is a label, unless it is a
    // directive or a mnemonic); exposed so the rules can be checked without an editor.
    [[nodiscard]] TStyle WordStyle(const QString& word, bool firstColumn) const;

    [[nodiscard]] const char* language() const override { return "PIC assembler"; }
    [[nodiscard]] QString description(int style) const override;
    void styleText(int start, int end) override;

  private:
    [[nodiscard]] static bool IsNumber(const QString& word);

    QSet<QString> mnemonics_;   // upper case: mnemonics are not case sensitive
    QSet<QString> directives_;  // upper case
    QSet<QString> registers_;   // as the include file spells them
};

}  // namespace vantrel
