#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <sstream>

#include "hardware/direct_port.h"
#include "hardware/port_bus.h"
#include "hardware/port_error.h"
#include "hardware/port_trace.h"
#include "hardware/ppdev_port.h"

namespace vantrel {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// A kernel with parallel ports: proc files, device nodes, and the registers behind them.
class TFakeKernel final : public TPpdevSystem {
  public:
    int Open(const std::string& path) override {
        Calls.push_back("open " + path);
        if (const auto error = OpenErrors.find(path); error != OpenErrors.end()) {
            return -error->second;
        }
        return kFd;
    }
    void Close(int fd) override { Calls.push_back("close " + std::to_string(fd)); }
    int Ioctl(int fd, unsigned long request, unsigned char* value) override {
        EXPECT_EQ(fd, kFd);
        const std::map<unsigned long, std::string> names{
            {PPEXCL, "PPEXCL"},         {PPCLAIM, "PPCLAIM"},      {PPRELEASE, "PPRELEASE"},
            {PPRDATA, "PPRDATA"},       {PPWDATA, "PPWDATA"},      {PPRSTATUS, "PPRSTATUS"},
            {PPRCONTROL, "PPRCONTROL"}, {PPWCONTROL, "PPWCONTROL"}};
        std::string call = names.at(request);
        if (const auto error = IoctlErrors.find(request); error != IoctlErrors.end()) {
            Calls.push_back(call + " failed");
            return error->second;
        }
        if (request == PPWDATA || request == PPWCONTROL) {
            (request == PPWDATA ? Data : Control) = *value;
            call += " " + Hex(*value);
        } else if (request == PPRDATA || request == PPRSTATUS || request == PPRCONTROL) {
            *value = request == PPRDATA ? Data : request == PPRSTATUS ? Status : Control;
        }
        Calls.push_back(call);
        return 0;
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        if (const auto file = Files.find(path); file != Files.end()) {
            return file->second;
        }
        return std::nullopt;
    }

    // A port the kernel knows, as /proc shows it (decimal base, then the ECP base).
    void AddParport(unsigned number, unsigned base) {
        Files["/proc/sys/dev/parport/parport" + std::to_string(number) + "/base-addr"] =
            std::to_string(base) + "\t" + std::to_string(base + 0x400) + "\n";
    }

    static constexpr int kFd = 7;
    std::map<std::string, std::string> Files;
    std::map<std::string, int> OpenErrors;
    std::map<unsigned long, int> IoctlErrors;
    std::vector<std::string> Calls;
    std::uint8_t Data = 0, Status = 0, Control = 0;
};

struct TMappingCase {
    std::string Name;
    std::vector<std::pair<unsigned, unsigned>> Parports;  // number, base
    std::uint16_t Base;
    std::optional<unsigned> Expected;
};

class ParportMappingTest : public testing::TestWithParam<TMappingCase> {};

TEST_P(ParportMappingTest, FindsTheParportOfABaseAddress) {
    const TMappingCase& c = GetParam();
    TFakeKernel kernel;
    for (const auto& [number, base] : c.Parports) {
        kernel.AddParport(number, base);
    }
    EXPECT_EQ(FindParportNumber(c.Base, kernel), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParportMappingTest,
    testing::Values(
        TMappingCase{"MatchedByBaseAddr", {{0, 0x378}, {1, 0x278}}, 0x278, 1u},
        TMappingCase{"MatchedBeyondTheFirstThree", {{0, 0xD010}, {3, 0x3BC}}, 0x3BC, 3u},
        TMappingCase{"NoProcFallsBackInOrder", {}, 0x3BC, 2u},
        TMappingCase{"PciCardAnswersAsTheFirstPort", {{0, 0xD010}}, 0x378, 0u},
        TMappingCase{"NoFallbackOntoAnotherStandardPort", {{0, 0x278}}, 0x378, std::nullopt},
        TMappingCase{"NotACandidateAddress", {{0, 0x378}}, 0x3F8, std::nullopt}),
    [](const auto& info) { return info.param.Name; });

TEST(PpdevPortTest, RoutesEachRegisterToItsRequestAndPassesValuesRaw) {
    TFakeKernel kernel;
    kernel.AddParport(0, 0x378);
    kernel.Status = 0x87;  // Busy and the low bits as the port shows them, not inverted back
    TOpenedPort opened = TPpdevPort::Open(0x378, kernel);
    ASSERT_TRUE(opened.Port) << opened.Error;
    TPortAccess& port = *opened.Port;
    port.DlPortWritePortUchar(0x378, 0xA5);
    port.DlPortWritePortUchar(0x37A, 0xF4);  // only the four line bits reach the driver
    port.DlPortWritePortUchar(0x379, 0x12);  // read-only: nothing to do
    EXPECT_EQ(port.DlPortReadPortUchar(0x378), 0xA5);
    EXPECT_EQ(port.DlPortReadPortUchar(0x379), 0x87);
    EXPECT_EQ(port.DlPortReadPortUchar(0x37A), 0x04);
    opened.Port.reset();
    EXPECT_THAT(kernel.Calls, ElementsAre("open /dev/parport0", "PPEXCL", "PPCLAIM", "PPWDATA A5",
                                          "PPWCONTROL 04", "PPRDATA", "PPRSTATUS", "PPRCONTROL",
                                          "PPRELEASE", "close 7"));
}

TEST(PpdevPortTest, RefusesAddressesOutsideItsRegisters) {
    TFakeKernel kernel;
    TOpenedPort opened = TPpdevPort::Open(0x278, kernel);
    ASSERT_TRUE(opened.Port);
    kernel.Calls.clear();
    EXPECT_THAT(
        [&] { opened.Port->DlPortWritePortUchar(0x378, 0); },
        testing::ThrowsMessage<TPortError>(HasSubstr("refused access to I/O address 0x378")));
    EXPECT_THROW((void)opened.Port->DlPortReadPortUchar(0x27B), TPortError);
    EXPECT_THROW((void)opened.Port->DlPortReadPortUchar(0x277), TPortError);
    EXPECT_THAT(kernel.Calls, IsEmpty());
}

TEST(PpdevPortTest, OpenFailuresSayWhatToDo) {
    struct TCase {
        int OpenError;
        int ClaimError;
        std::string Advice;
        bool InUse;
    };
    // The claim is exclusive: refused (ENXIO from the kernel, or EBUSY) while another program
    // or driver has the port, which the caller is told apart.
    for (const TCase& c :
         {TCase{ENOENT, 0, "modprobe parport_pc", false}, TCase{EACCES, 0, "group lp", false},
          TCase{ENXIO, 0, "load parport_pc", false},
          TCase{0, EBUSY, "another program or driver", true},
          TCase{0, ENXIO, "modprobe -r lp", true}, TCase{0, EINVAL, "Invalid argument", false}}) {
        TFakeKernel kernel;
        if (c.OpenError != 0) {
            kernel.OpenErrors["/dev/parport0"] = c.OpenError;
        }
        if (c.ClaimError != 0) {
            kernel.IoctlErrors[PPCLAIM] = c.ClaimError;
        }
        const TOpenedPort opened = TPpdevPort::Open(0x378, kernel);
        EXPECT_FALSE(opened.Port);
        EXPECT_THAT(opened.Error, HasSubstr("/dev/parport0"));
        EXPECT_THAT(opened.Error, HasSubstr(c.Advice));
        EXPECT_EQ(opened.InUse, c.InUse) << opened.Error;
        if (c.ClaimError != 0) {
            EXPECT_EQ(kernel.Calls.back(), "close 7");  // nothing left open
        }
    }
    TFakeKernel kernel;
    kernel.AddParport(0, 0x278);
    EXPECT_THAT(TPpdevPort::Open(0x378, kernel).Error, HasSubstr("no parallel port at 0x378"));
}

TEST(PpdevPortTest, AFailedRequestDuringAnOperationIsThrown) {
    TFakeKernel kernel;
    TOpenedPort opened = TPpdevPort::Open(0x378, kernel);
    ASSERT_TRUE(opened.Port);
    kernel.IoctlErrors[PPRSTATUS] = EIO;
    EXPECT_THAT([&] { (void)opened.Port->DlPortReadPortUchar(0x379); },
                testing::ThrowsMessage<TPortError>(HasSubstr("status register of /dev/parport0")));
}

class TFakeDirectIo final : public TDirectIo {
  public:
    int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) override {
        Calls.push_back("ioperm " + Hex(from) + " " + std::to_string(count) +
                        (enable ? " on" : " off"));
        return Refusal;
    }
    std::uint8_t In(std::uint16_t address) override {
        Calls.push_back("in " + Hex(address));
        return 0x5A;
    }
    void Out(std::uint16_t address, std::uint8_t value) override {
        Calls.push_back("out " + Hex(address) + " " + Hex(value));
    }
    int Refusal = 0;
    std::vector<std::string> Calls;
};

TEST(DirectPortTest, RefusedPermissionSaysHowToGetIt) {
    TFakeDirectIo io;
    io.Refusal = EPERM;
    const TOpenedPort opened = TDirectPort::Open(0x378, io);
    EXPECT_FALSE(opened.Port);
    EXPECT_THAT(opened.Error, HasSubstr("run as root"));
    EXPECT_THAT(opened.Error, HasSubstr("CAP_SYS_RAWIO"));
    EXPECT_THAT(io.Calls, ElementsAre("ioperm 378 3 on"));
}

TEST(DirectPortTest, AccessesItsThreeRegistersAndGivesThePermissionBack) {
    TFakeDirectIo io;
    TOpenedPort opened = TDirectPort::Open(0x3BC, io);
    ASSERT_TRUE(opened.Port);
    opened.Port->DlPortWritePortUchar(0x3BE, 0x0C);
    EXPECT_EQ(opened.Port->DlPortReadPortUchar(0x3BD), 0x5A);
    EXPECT_THROW(opened.Port->DlPortWritePortUchar(0x3BF, 0), TPortError);
    opened.Port.reset();
    EXPECT_THAT(io.Calls,
                ElementsAre("ioperm 3BC 3 on", "out 3BE 0C", "in 3BD", "ioperm 3BC 3 off"));
}

TEST(PortBusTest, EmptyBasesFloatHighAndUnknownAddressesAreRefused) {
    TFakeDirectIo io;
    TPortBus bus;
    bus.Attach(0x378, TDirectPort::Open(0x378, io).Port);
    bus.AttachEmpty(0x278);
    EXPECT_TRUE(bus.HasPort(0x378));
    EXPECT_FALSE(bus.HasPort(0x278));
    bus.DlPortWritePortUchar(0x27A, 0x01);
    EXPECT_EQ(bus.DlPortReadPortUchar(0x279), kFloatingBusValue);
    EXPECT_EQ(bus.DlPortReadPortUchar(0x37A), 0x5A);
    EXPECT_THROW((void)bus.DlPortReadPortUchar(0x3BC), TPortError);
    EXPECT_THAT(io.Calls, ElementsAre("ioperm 378 3 on", "in 37A"));
}

TEST(PortTraceTest, OneLinePerAccessOrDelayInCallOrder) {
    TFakeDirectIo io;
    TOpenedPort opened = TDirectPort::Open(0x378, io);
    std::ostringstream text;
    TPortTrace trace(text);
    TTracingPort tracing(*opened.Port, trace);
    tracing.DlPortWritePortUchar(0x378, 0x04);
    (void)tracing.DlPortReadPortUchar(0x379);
    trace.Delay(0);
    trace.Delay(10);
    EXPECT_THROW(tracing.DlPortWritePortUchar(0x37B, 0x01), TPortError);  // not done, not traced
    trace.Write(0x1000, 0xAB);
    EXPECT_EQ(text.str(), "W 378 04\nR 379 5A\nD 0\nD 10\nW 1000 AB\n");
}

}  // namespace
}  // namespace vantrel
