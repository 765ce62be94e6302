#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "device/device_image.h"
#include "device/device_table.h"

namespace vantrel {

// The four grids of the image: program memory, data EEPROM, ID locations, and the 18F
// configuration words.
enum class TBufferGrid { Program, Data, Id, Config18 };

// The image as the grids show it: a copy taken on the window's thread when the window owns the
// image (after a load, at a chip operation's hand-over, after it ends). The grids never read an
// image a chip operation may be writing.
class TShownImage {
  public:
    void Take(const TDeviceImage& image, std::uint8_t deviceIndex) {
        image_ = image;
        deviceIndex_ = deviceIndex;
    }
    [[nodiscard]] const TDeviceImage& Image() const { return image_; }
    [[nodiscard]] TDeviceImage& Image() { return image_; }
    [[nodiscard]] const TPicDevice& Device() const { return DeviceTable.at(deviceIndex_); }

  private:
    TDeviceImage image_{};
    std::uint8_t deviceIndex_ = kDefaultDeviceIndex;
};

// How a typed cell text is judged: the whole text read as hexadecimal, within the grid's range.
struct TCellEntry {
    bool Stored = false;
    std::uint16_t Value = 0;
    std::string_view Status;  // the status line's text: empty when stored
};

inline constexpr std::string_view kNotAValidNumber = "Not a valid number";
inline constexpr std::string_view kOutOfRange = "Out of range";

// Spaces left by the edit mask, or any other character that is not a hexadecimal digit, make
// the text not a number; an empty text is not one either.
[[nodiscard]] TCellEntry JudgeCellText(std::string_view text, std::uint32_t maximum);

// One grid as a table over the shown image: column 0 is the fixed address (or name) column,
// the other columns are the entries. An edit is judged and, when good, stored through the
// window into the image; the text of a refused edit stays in its cell until the next refresh.
class TBufferGridModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kEditMaskRole = Qt::UserRole + 1;
    static constexpr int kEntriesPerRow = 8;

    // Stores a good value into the image: the grid, the entry of its region, the value.
    using TStore = std::function<void(TBufferGrid, std::size_t, std::uint16_t)>;
    // Shows an edit's outcome in the status line.
    using TReport = std::function<void(std::string_view)>;

    TBufferGridModel(TBufferGrid grid, TShownImage& shown, QObject* parent = nullptr);

    void SetEditHandlers(TStore store, TReport report);
    // The shown image (or the device) changed: every cell is read again.
    void Refresh();

    [[nodiscard]] TBufferGrid Grid() const { return grid_; }
    // The largest value a cell of this grid takes on the shown device.
    [[nodiscard]] std::uint32_t Maximum() const;
    // The edit mask of the grid's cells: letters and digits only, upper case, blanks as spaces.
    [[nodiscard]] QString EditMask() const;
    // The region entry behind a cell, for columns 1 and up.
    [[nodiscard]] std::size_t EntryOf(int row, int column) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    [[nodiscard]] QString FixedColumnText(int row) const;
    [[nodiscard]] QString CellText(int row, int column) const;
    [[nodiscard]] static quint32 CellKey(int row, int column) {
        return (static_cast<quint32>(row) << 8) | static_cast<quint32>(column);
    }

    TBufferGrid grid_;
    TShownImage& shown_;
    TStore store_;
    TReport report_;
    QHash<quint32, QString> refusedTexts_;
};

}  // namespace vantrel
