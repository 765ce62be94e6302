#include "probe_rig.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "device/device_selection.h"
#include "device/hex_text.h"

namespace vantrel::test {

namespace {

std::uint8_t DeviceIndex(std::string_view name) {
    const auto index = FindDeviceByName(name);
    if (!index) {
        ADD_FAILURE() << "no device " << name;
        return 0;
    }
    return *index;
}

}  // namespace

void TScriptedUi::ShowMessage(std::string_view text) {
    Messages.emplace_back(text);
    ShownWhilePowered += powered_() ? 1 : 0;
}

bool TScriptedUi::AskYesNo(std::string_view question) {
    Questions.emplace_back(question);
    ShownWhilePowered += powered_() ? 1 : 0;
    if (Answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << question;
        return false;
    }
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
}

TProbeRig::TProbeRig(std::string_view deviceName)
    : Probe(TSerialProbe::FamilyOf(DeviceTable.at(DeviceIndex(deviceName))),
            Session.Hardware.PortBase, Session.Hardware.Wiring) {
    Session.Device.CurrentDevice = DeviceIndex(deviceName);
    Session.Hardware.VppDelay = 0;
    ClearBuffers(Image(), Device());
}

TBoardRig::TBoardRig(std::string_view deviceName) {
    Session.Device.CurrentDevice = DeviceIndex(deviceName);
    ClearBuffers(Image(), Device());
    Board.InsertChip(Session.Device.CurrentDevice);
}

std::size_t TProbeRig::Count(std::string_view token) const {
    return static_cast<std::size_t>(std::count(Transcript().begin(), Transcript().end(), token));
}

std::vector<std::string> TablePointerTokens(std::uint32_t address) {
    return {"I 0E" + HexByteText((address >> 16) & 0xFF), "I 6EF8",
            "I 0E" + HexByteText((address >> 8) & 0xFF),  "I 6EF7",
            "I 0E" + HexByteText(address & 0xFF),         "I 6EF6"};
}

std::vector<std::string> Head(const std::vector<std::string>& transcript, std::size_t count) {
    const auto length = static_cast<std::ptrdiff_t>(std::min(count, transcript.size()));
    return {transcript.begin(), transcript.begin() + length};
}

std::vector<std::string> Tail(const std::vector<std::string>& transcript, std::size_t count) {
    const auto length = static_cast<std::ptrdiff_t>(std::min(count, transcript.size()));
    return {transcript.end() - length, transcript.end()};
}

std::vector<std::string> Tokens(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}  // namespace vantrel::test
