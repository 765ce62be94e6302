#include "app/pic_asm_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QRegularExpression>
#include <algorithm>
#include <cctype>

#include "app/qt_text.h"
#include "disasm/include_symbols.h"
#include "disasm/instruction_table.h"

namespace vantrel {

namespace {

// What the assembler reads besides instructions; those the generated source uses come first.
constexpr const char* kDirectives[] = {
    "ORG",      "EQU",       "__CONFIG", "INCLUDE",   "#INCLUDE", "LIST",   "END",
    "DATA",     "DE",        "DT",       "DW",        "DA",       "CBLOCK", "ENDC",
    "#DEFINE",  "#UNDEFINE", "__IDLOCS", "__MAXRAM",  "__BADRAM", "RADIX",  "ERRORLEVEL",
    "BANKSEL",  "BANKISEL",  "PAGESEL",  "PROCESSOR", "NOLIST",   "SET",    "CONSTANT",
    "VARIABLE", "IF",        "ELSE",     "ENDIF",     "IFDEF",    "IFNDEF", "MACRO",
    "ENDM",     "EXITM",     "LOCAL",    "WHILE",     "ENDW",     "FILL",   "RES",
    "MESSG",    "ERROR",     "TITLE",    "SUBTITLE",  "SPACE",    "PAGE",   "EXPAND",
    "NOEXPAND", "CODE",      "UDATA",    "IDATA",     "GLOBAL",   "EXTERN"};

constexpr char kCommentStart = ';';
constexpr char kQuote = '"';

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#' || c == '.';
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#' || c == '.' ||
           c == '\'';
}

void AddMnemonics(QSet<QString>& set, const TInstructionTable& table) {
    for (const TInstructionRecord& record : table) {
        if (record.Mask != 0) {
            set.insert(ToQString(record.Mnemonic).toUpper());
        }
    }
}

}  // namespace

TPicAsmLexer::TPicAsmLexer(QObject* parent) : QsciLexerCustom(parent) {
    AddMnemonics(mnemonics_, InstructionTable14);
    AddMnemonics(mnemonics_, InstructionTable12);
    for (const char* directive : kDirectives) {
        directives_.insert(QString::fromLatin1(directive));
    }
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    setDefaultFont(font);
    setFont(font);
    QFont bold = font;
    bold.setBold(true);
    setFont(bold, Directive);
    QFont italic = font;
    italic.setItalic(true);
    setFont(italic, Comment);
    setColor(QColor(0x20, 0x20, 0x20), Default);
    setColor(QColor(0x60, 0x80, 0x60), Comment);
    setColor(QColor(0x00, 0x30, 0xB0), Mnemonic);
    setColor(QColor(0x80, 0x20, 0x80), Directive);
    setColor(QColor(0x00, 0x70, 0x80), Register);
    setColor(QColor(0xA0, 0x40, 0x00), Label);
    setColor(QColor(0xB0, 0x10, 0x10), Number);
    setColor(QColor(0x20, 0x80, 0x20), String);
}

void TPicAsmLexer::SetDevice(const TPicDevice& device) {
    registers_.clear();
    for (const TIncludeFileSymbols& file : IncludeFileSymbols) {
        if (file.IncludeFile == device.IncludeFile) {
            for (const TIncludeSymbol& symbol : file.Symbols) {
                registers_.insert(ToQString(symbol.Name));
            }
        }
    }
    if (editor() != nullptr) {
        editor()->recolor();
    }
}

QStringList TPicAsmLexer::CompletionWords() const {
    QStringList words;
    for (const QString& word : mnemonics_) {
        words.append(word);
    }
    for (const QString& word : directives_) {
        words.append(word);
    }
    for (const QString& word : registers_) {
        words.append(word);
    }
    words.sort(Qt::CaseInsensitive);
    words.removeDuplicates();
    return words;
}

QString TPicAsmLexer::description(int style) const {
    switch (style) {
        case Default:
            return QStringLiteral("Default");
        case Comment:
            return QStringLiteral("Comment");
        case Mnemonic:
            return QStringLiteral("Instruction");
        case Directive:
            return QStringLiteral("Directive");
        case Register:
            return QStringLiteral("Register or bit name");
        case Label:
            return QStringLiteral("Label");
        case Number:
            return QStringLiteral("Number");
        case String:
            return QStringLiteral("String");
        default:
            return {};
    }
}

bool TPicAsmLexer::IsNumber(const QString& word) {
    static const QRegularExpression number(QStringLiteral(
        "^(0[xX][0-9A-Fa-f]+|[0-9][0-9A-Fa-f]*[hH]|[0-9]+|\\.[0-9]+|[HhXx]'[0-9A-Fa-f]+'|"
        "[Bb]'[01]+'|[Dd]'[0-9]+'|[Oo]'[0-7]+'|[Aa]'.')$"));
    return number.match(word).hasMatch();
}

TPicAsmLexer::TStyle TPicAsmLexer::WordStyle(const QString& word, bool firstColumn) const {
    const QString upper = word.toUpper();
    if (directives_.contains(upper)) {
        return Directive;
    }
    if (mnemonics_.contains(upper)) {
        return Mnemonic;
    }
    if (IsNumber(word)) {
        return Number;
    }
    if (firstColumn) {
        return Label;
    }
    if (registers_.contains(word)) {
        return Register;
    }
    return Default;
}

// Styles whole lines, from the start of the line that holds `start`: a word's style depends on
// where in its line it stands.
void TPicAsmLexer::styleText(int start, int end) {
    QsciScintilla* sci = editor();
    if (sci == nullptr) {
        return;
    }
    const long firstLine = sci->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, start);
    const int from =
        static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, firstLine));
    if (end <= from) {
        return;
    }
    QByteArray bytes(end - from + 1, '\0');
    sci->SendScintilla(QsciScintilla::SCI_GETTEXTRANGE, from, end, bytes.data());
    bytes.resize(end - from);
    startStyling(from);
    const auto length = static_cast<int>(bytes.size());
    int i = 0;
    bool lineStart = true;
    while (i < length) {
        const char c = bytes.at(i);
        int run = 1;
        TStyle style = Default;
        if (c == '\n' || c == '\r') {
            lineStart = true;
        } else if (c == kCommentStart) {
            while (i + run < length && bytes.at(i + run) != '\n' && bytes.at(i + run) != '\r') {
                ++run;
            }
            style = Comment;
        } else if (c == kQuote) {
            while (i + run < length && bytes.at(i + run) != kQuote && bytes.at(i + run) != '\n') {
                ++run;
            }
            if (i + run < length && bytes.at(i + run) == kQuote) {
                ++run;
            }
            style = String;
        } else if (IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0) {
            while (i + run < length && IsWordChar(bytes.at(i + run))) {
                ++run;
            }
            style = WordStyle(QString::fromLatin1(bytes.mid(i, run)), lineStart);
        }
        if (c != '\n' && c != '\r') {
            lineStart = false;
        }
        setStyling(run, style);
        i += run;
    }
}

}  // namespace vantrel
