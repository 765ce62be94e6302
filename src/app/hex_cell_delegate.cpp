#include "app/hex_cell_delegate.h"

#include <QLineEdit>
#include <QPersistentModelIndex>

#include "app/buffer_grid_model.h"

namespace vantrel {

QWidget* THexCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("CellEditor"));
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignCenter);
    editor->setInputMask(index.data(TBufferGridModel::kEditMaskRole).toString());
    // The text as shown, blanks included: "12  " must stay incomplete, not become 0x12.
    const QPersistentModelIndex cell(index);
    QAbstractItemModel* model = const_cast<QAbstractItemModel*>(index.model());
    connect(editor, &QLineEdit::textEdited, editor, [editor, cell, model] {
        if (cell.isValid()) {
            model->setData(cell, editor->displayText(), Qt::EditRole);
        }
    });
    return editor;
}

void THexCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    // While the user types, the editor's text is the truth: the model reports every keystroke
    // back as a change of the cell, which must not reset what is being typed.
    if (line->isModified()) {
        return;
    }
    line->setText(index.data(Qt::EditRole).toString());
    line->selectAll();
}

void THexCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    // Leaving a cell that was not typed in changes nothing and says nothing.
    if (!line->isModified()) {
        return;
    }
    model->setData(index, line->displayText(), Qt::EditRole);
}

}  // namespace vantrel
