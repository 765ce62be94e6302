#include "sim/sim_faults.h"

#include <charconv>

namespace vantrel {

namespace {

constexpr std::string_view kWordFailsPrefix = "word-fails=";
constexpr std::uint32_t kLargestProgramWord = 0xFFFF;

std::string Unknown(std::string_view name) {
    return "unknown simulator fault '" + std::string(name) + "' (one of " +
           std::string(kSimFaultNames) + ")";
}

}  // namespace

std::string AddSimFault(std::string_view name, TSimFaults& faults) {
    if (name == "no-chip") {
        faults.NoChip = true;
    } else if (name == "unpowered") {
        faults.Unpowered = true;
    } else if (name == "data-stuck-high" || name == "data-stuck-low") {
        const bool level = name == "data-stuck-high";
        if (faults.DataStuck && *faults.DataStuck != level) {
            return "the data line cannot be stuck both high and low";
        }
        faults.DataStuck = level;
    } else if (name == "protected") {
        faults.Protected = true;
    } else if (name.starts_with(kWordFailsPrefix)) {
        std::string_view digits = name.substr(kWordFailsPrefix.size());
        if (digits.starts_with("0x") || digits.starts_with("0X")) {
            digits.remove_prefix(2);
        }
        std::uint32_t address = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), address, 16);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            address > kLargestProgramWord) {
            return "word-fails needs a hexadecimal program word address up to FFFF, not '" +
                   std::string(name.substr(kWordFailsPrefix.size())) + "'";
        }
        if (faults.FailingWord && *faults.FailingWord != address) {
            return "only one word-fails address can be given";
        }
        faults.FailingWord = address;
    } else {
        return Unknown(name);
    }
    return {};
}

}  // namespace vantrel
