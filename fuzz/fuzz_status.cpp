// Replies from a controller link of any content, length and order: status replies A, B and C,
// settings blocks, the identity packing and the settings commands between them, each followed
// by every reading the controller offers on the state it leaves.
//
// Input: a byte choosing the controller (even Fertivo, odd Aerovane), then steps: a byte naming
// the step, and for a reply a length byte and that many bytes.
#include "fuzz/ControllerReadings.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace hortivex;

namespace {

// Each step's first byte, taken modulo the number of steps.
enum Step : std::uint8_t { ReplyA, ReplyB, ReplyC, SettingsReply, PackIdentity, SendSettings };
constexpr int kSteps = 6;
// More steps add nothing the fuzzer cannot reach with these.
constexpr int kMaxSteps = 24;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PrepareRun();
    fuzz::InputReader input(data, size);
    auto device = fuzz::MakeController(input.Byte());
    fuzz::ReadEverything(*device);
    for (int n = 0; n < kMaxSteps && !input.Empty(); ++n) {
        const int step = input.Byte() % kSteps;
        if (step == PackIdentity) {
            device->PackUsbSettings();
        } else if (step == SendSettings) {
            fuzz::BuildSettingsCommands(*device);
        } else {
            // A reply of exactly its length, so that a read past its end is caught.
            const std::string bytes = input.Bytes(input.Byte());
            const std::vector<std::uint8_t> reply(bytes.begin(), bytes.end());
            const std::uint8_t* at = reply.empty() ? nullptr : reply.data();
            if (step == ReplyA)
                device->StoreStatusReplyA(at, reply.size());
            else if (step == ReplyB)
                device->StoreStatusReplyB(at, reply.size());
            else if (step == ReplyC)
                device->StoreStatusReplyC(at, reply.size());
            else
                device->StoreSettingsReply(at, reply.size());
        }
        (void)device->DecodeStatusTime();
        fuzz::ReadEverything(*device);
    }
    return 0;
}
