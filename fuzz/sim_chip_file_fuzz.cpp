// libFuzzer target for the simulated chip file reader. Whatever the file holds, reading it must
// neither crash nor read outside its input; a file it accepts must give a chip of its device's
// shape with every cell within its width, and writing that chip and reading it back must give
// the same chip and, written again, the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sim/sim_chip_file.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TSimChipFileResult parsed = ParseSimChipFile(text);
    if (!parsed.Chip) {
        Require(!parsed.Error.empty());
        return 0;
    }
    Require(ChipShapeError(*parsed.Chip).empty());
    const std::string written = FormatSimChipFile(*parsed.Chip);
    const TSimChipFileResult reread = ParseSimChipFile(written);
    Require(reread.Chip.has_value() && *reread.Chip == *parsed.Chip);
    Require(FormatSimChipFile(*reread.Chip) == written);
    return 0;
}
