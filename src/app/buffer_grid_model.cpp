#include "app/buffer_grid_model.h"

#include <QApplication>
#include <QPalette>

#include "device/hex_text.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kByteMaximum = 0xFF;
constexpr std::uint32_t kWordMaximum = 0xFFFF;
constexpr int kConfigGridColumns = 2;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TCellEntry JudgeCellText(std::string_view text, std::uint32_t maximum) {
    // Wider than any cell's mask; stops the sum from overflowing on text that comes from
    // elsewhere.
    constexpr std::size_t kMaxDigits = 8;
    if (text.empty() || text.size() > kMaxDigits) {
        return {false, 0, kNotAValidNumber};
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return {false, 0, kNotAValidNumber};
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    if (value > maximum) {
        return {false, 0, kOutOfRange};
    }
    return {true, static_cast<std::uint16_t>(value), {}};
}

TBufferGridModel::TBufferGridModel(TBufferGrid grid, TShownImage& shown, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), shown_(shown) {}

void TBufferGridModel::SetEditHandlers(TStore store, TReport report) {
    store_ = std::move(store);
    report_ = std::move(report);
}

void TBufferGridModel::Refresh() {
    beginResetModel();
    refusedTexts_.clear();
    endResetModel();
}

std::uint32_t TBufferGridModel::Maximum() const {
    switch (grid_) {
        case TBufferGrid::Program:
            // The device's word width: a wider word could not be programmed, and would fail
            // the verify of a good chip.
            return shown_.Device().BlankWord;
        case TBufferGrid::Data:
        case TBufferGrid::Id:
            return kByteMaximum;
        case TBufferGrid::Config18:
            return kWordMaximum;
    }
    return 0;
}

QString TBufferGridModel::EditMask() const {
    const bool words = grid_ == TBufferGrid::Program || grid_ == TBufferGrid::Config18;
    return words ? QStringLiteral(">NNNN; ") : QStringLiteral(">NN; ");
}

std::size_t TBufferGridModel::EntryOf(int row, int column) const {
    switch (grid_) {
        case TBufferGrid::Program:
        case TBufferGrid::Data:
            return static_cast<std::size_t>(row * kEntriesPerRow + column - 1);
        case TBufferGrid::Id:
            return static_cast<std::size_t>(column - 1);
        case TBufferGrid::Config18:
            return static_cast<std::size_t>(row);
    }
    return 0;
}

int TBufferGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    const TPicDevice& device = shown_.Device();
    switch (grid_) {
        case TBufferGrid::Program:
            return device.ProgramSize / kEntriesPerRow;
        case TBufferGrid::Data:
            // A device without EEPROM keeps the one row a grid cannot do without; the grid is
            // hidden and disabled then.
            return device.EepromSize == 0 ? 1 : device.EepromSize / kEntriesPerRow;
        case TBufferGrid::Id:
            return 1;
        case TBufferGrid::Config18:
            return static_cast<int>(kConfig18Words);
    }
    return 0;
}

int TBufferGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return grid_ == TBufferGrid::Config18 ? kConfigGridColumns : kEntriesPerRow + 1;
}

QString TBufferGridModel::FixedColumnText(int row) const {
    const TPicDevice& device = shown_.Device();
    const auto rowStart = static_cast<std::uint32_t>(row * kEntriesPerRow);
    switch (grid_) {
        case TBufferGrid::Program:
            return Text(HexWordText(rowStart));
        case TBufferGrid::Data:
            return Text(HexWordText(IsPic18(device) ? rowStart : device.EepromAddress + rowStart));
        case TBufferGrid::Id:
            return Text(HexWordText(IsPic18(device) ? 0 : device.IdAddress));
        case TBufferGrid::Config18:
            return QStringLiteral("Config") + Text(HexText(static_cast<std::uint32_t>(row + 1), 1));
    }
    return {};
}

QString TBufferGridModel::CellText(int row, int column) const {
    const TDeviceImage& image = shown_.Image();
    const std::size_t entry = EntryOf(row, column);
    switch (grid_) {
        case TBufferGrid::Program:
            return Text(HexWordText(image.ProgramBuffer.at(entry)));
        case TBufferGrid::Data:
            return Text(HexByteText(image.DataBuffer.at(entry)));
        case TBufferGrid::Id:
            return Text(HexByteText(image.IdBuffer.at(entry)));
        case TBufferGrid::Config18:
            return Text(HexWordText(image.Config18.at(entry)));
    }
    return {};
}

QVariant TBufferGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const int row = index.row();
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (column == 0) {
                return FixedColumnText(row);
            }
            if (const auto refused = refusedTexts_.constFind(CellKey(row, column));
                refused != refusedTexts_.constEnd()) {
                return *refused;
            }
            return CellText(row, column);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignCenter);
        case Qt::BackgroundRole:
            if (column == 0) {
                return QApplication::palette().button();
            }
            return {};
        case kEditMaskRole:
            return column == 0 ? QVariant() : QVariant(EditMask());
        default:
            return {};
    }
}

bool TBufferGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() == 0 || role != Qt::EditRole) {
        return false;
    }
    const QString text = value.toString();
    const QByteArray latin = text.toLatin1();
    const TCellEntry entry =
        JudgeCellText({latin.constData(), static_cast<std::size_t>(latin.size())}, Maximum());
    const quint32 key = CellKey(index.row(), index.column());
    if (entry.Stored) {
        refusedTexts_.remove(key);
        const std::size_t slot = EntryOf(index.row(), index.column());
        TDeviceImage& shown = shown_.Image();
        switch (grid_) {
            case TBufferGrid::Program:
                shown.ProgramBuffer.at(slot) = entry.Value;
                break;
            case TBufferGrid::Data:
                shown.DataBuffer.at(slot) = entry.Value;
                break;
            case TBufferGrid::Id:
                shown.IdBuffer.at(slot) = entry.Value;
                break;
            case TBufferGrid::Config18:
                shown.Config18.at(slot) = entry.Value;
                break;
        }
        if (store_) {
            store_(grid_, slot, entry.Value);
        }
    } else {
        refusedTexts_.insert(key, text);
    }
    if (report_) {
        report_(entry.Status);
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return entry.Stored;
}

Qt::ItemFlags TBufferGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (index.column() == 0) {
        return Qt::ItemIsEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

}  // namespace vantrel
