#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "device/device_state.h"
#include "device/fuses.h"

namespace vantrel {

// The fuse check boxes and the oscillator selection of a 12- or 14-bit device, and the
// configuration words they stand for. The model owns the states; the window's check boxes and
// the command line are views of it. Every change of a box or of the oscillator selection - by
// the user or by the program - recomputes the words, exactly as a click does.
class TConfigModel {
  public:
    explicit TConfigModel(TDeviceState& state) : state_(state) {}

    [[nodiscard]] bool Checked(TFuseBox box) const { return checked_.at(Index(box)); }
    // A change of state recomputes the words; setting the state a box already has does nothing.
    void SetChecked(TFuseBox box, bool checked);

    [[nodiscard]] int OscillatorIndex() const { return oscillatorIndex_; }
    // A change of selection recomputes the words; selecting the selected item does nothing.
    void SelectOscillator(int item);

    // The oscillator names the current device offers.
    [[nodiscard]] const std::vector<std::string_view>& OscillatorList() const;

    // Boxes and oscillator selection to configuration words.
    void SetConfig();
    // Configuration words to boxes and oscillator selection; the words keep their values.
    void UpdateConfig();
    // Takes the band-gap bits of a chip's configuration word: sets the BG0 and BG1 boxes to
    // match and replaces only those bits of ConfigWord1. The rest of the word is kept as it
    // is, since the boxes cannot represent every word a file may hold.
    void SetBandGapBits(std::uint16_t chipWord);
    // A device change: selects the device, clears the image and shows its blank words.
    void ChangeDevice(std::uint8_t deviceIndex);

    // "Config Word = $3FF9", or "Config Words = $3FFF + $0003" on two-word devices.
    [[nodiscard]] const std::string& ConfigText() const { return configText_; }

    // Called after every recomputation, so views can refresh.
    void SetChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

    [[nodiscard]] const TDeviceState& State() const { return state_; }

  private:
    static std::size_t Index(TFuseBox box) { return static_cast<std::size_t>(box); }
    void ShowWords(std::uint16_t word1, std::uint16_t word2);

    TDeviceState& state_;
    std::array<bool, kFuseBoxCount> checked_{};
    int oscillatorIndex_ = 1;
    std::string configText_;
    std::function<void()> onChange_;
};

// The configuration panel's text for the words of a device.
[[nodiscard]] std::string ConfigPanelText(const TPicDevice& device, std::uint16_t word1,
                                          std::uint16_t word2);

}  // namespace vantrel
