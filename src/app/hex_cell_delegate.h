#pragma once

#include <QStyledItemDelegate>

namespace vantrel {

// Edits a grid cell in a line edit with the model's edit mask, and hands every change of the
// text to the model at once, so the status line judges the entry while it is typed; the spaces
// the mask leaves in an incomplete entry keep it from being stored.
class THexCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};

}  // namespace vantrel
