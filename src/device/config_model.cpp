#include "device/config_model.h"

#include <algorithm>

#include "device/hex_text.h"

namespace vantrel {

void TConfigModel::SetChecked(TFuseBox box, bool checked) {
    if (checked_.at(Index(box)) == checked) {
        return;
    }
    checked_.at(Index(box)) = checked;
    SetConfig();
}

void TConfigModel::SelectOscillator(int item) {
    if (oscillatorIndex_ == item) {
        return;
    }
    oscillatorIndex_ = item;
    SetConfig();
}

const std::vector<std::string_view>& TConfigModel::OscillatorList() const {
    return OscillatorNames(state_.Device().OscillatorSet);
}

void TConfigModel::SetConfig() {
    const TPicDevice& device = state_.Device();
    std::uint16_t word1 = 0;
    std::uint16_t word2 = 0;
    for (TFuseBox box : kWord1FuseOrder) {
        const TFuseBits& fuse = FuseOf(device, box);
        if (Checked(box) != fuse.Inverted) {
            word1 = static_cast<std::uint16_t>(word1 + fuse.Mask);
        }
    }
    for (TFuseBox box : kWord2FuseOrder) {
        const TFuseBits& fuse = FuseOf(device, box);
        if (Checked(box) != fuse.Inverted) {
            word2 = static_cast<std::uint16_t>(word2 + fuse.Mask);
        }
    }
    // A selection beyond the device's list moves to its last item.
    const int lastItem = static_cast<int>(OscillatorList().size()) - 1;
    oscillatorIndex_ = std::clamp(oscillatorIndex_, 0, lastItem);
    word1 = static_cast<std::uint16_t>(word1 + OscillatorCode(device, oscillatorIndex_));
    state_.Image.ConfigWord1 = word1;
    state_.Image.ConfigWord2 = word2;
    ShowWords(word1, word2);
}

void TConfigModel::UpdateConfig() {
    const TPicDevice& device = state_.Device();
    TDeviceImage& image = state_.Image;
    const auto loaded1 = static_cast<std::uint16_t>(image.ConfigWord1 & device.ConfigMask);
    const std::uint16_t loaded2 = image.ConfigWord2;

    // Each change below recomputes the words as a click would; the loaded words are put back
    // afterwards.
    for (TFuseBox box : kWord1FuseOrder) {
        const TFuseBits& fuse = FuseOf(device, box);
        if (fuse.Mask != 0) {
            SetChecked(box, FuseChecked(fuse, loaded1));
        }
    }
    SelectOscillator(OscillatorItem(device, loaded1));
    image.ConfigWord1 = loaded1;
    image.ConfigWord2 = loaded2;
    const auto masked2 = static_cast<std::uint16_t>(loaded2 & device.Config2Mask);
    for (TFuseBox box : kWord2FuseOrder) {
        const TFuseBits& fuse = FuseOf(device, box);
        if (fuse.Mask != 0) {
            SetChecked(box, FuseChecked(fuse, masked2));
        }
    }
    // A word-2 box change recomputes word 1 from the boxes, which cannot represent every loaded
    // word (a partly set two-bit field reads back as clear), so word 1 is restored as well.
    image.ConfigWord1 = loaded1;
    image.ConfigWord2 = masked2;
    // The panel shows what the image holds and a Write will program, not the last recomputation.
    ShowWords(image.ConfigWord1, image.ConfigWord2);
}

void TConfigModel::SetBandGapBits(std::uint16_t chipWord) {
    const TPicDevice& device = state_.Device();
    std::uint16_t bandGap = 0;
    for (const TFuseBox box : {TFuseBox::BG0, TFuseBox::BG1}) {
        const TFuseBits& fuse = FuseOf(device, box);
        if (fuse.Mask != 0) {
            checked_.at(Index(box)) = FuseChecked(fuse, chipWord);
            bandGap = static_cast<std::uint16_t>(bandGap | fuse.Mask);
        }
    }
    TDeviceImage& image = state_.Image;
    image.ConfigWord1 =
        static_cast<std::uint16_t>((image.ConfigWord1 & ~bandGap) | (chipWord & bandGap));
    ShowWords(image.ConfigWord1, image.ConfigWord2);
}

void TConfigModel::ChangeDevice(std::uint8_t deviceIndex) {
    state_.CurrentDevice = deviceIndex;
    ClearBuffers(state_.Image, state_.Device());
    UpdateConfig();
    SetConfig();
}

void TConfigModel::ShowWords(std::uint16_t word1, std::uint16_t word2) {
    configText_ = ConfigPanelText(state_.Device(), word1, word2);
    if (onChange_) {
        onChange_();
    }
}

std::string ConfigPanelText(const TPicDevice& device, std::uint16_t word1, std::uint16_t word2) {
    if (device.Config2Mask != 0) {
        return "Config Words = $" + HexWordText(word1) + " + $" + HexWordText(word2);
    }
    return "Config Word = $" + HexWordText(word1);
}

}  // namespace vantrel
