// A view file of any bytes and length (or none) under a few view operations with any indexes:
// each either works or fails with the file layer's error, a view saved reads back as saved, and
// the file never loses bytes.
//
// Input: a byte choosing the controller (even Fertivo, odd Aerovane), a byte giving the number
// of operations (modulo 8), the operations (a byte naming it, then one index, two for a gap),
// then the file's bytes; without any, the file is missing.
#include "fuzz/ControllerReadings.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace hortivex;

namespace {

enum Op : std::uint8_t { Load, Save, Delete, InsertGap };

struct Operation {
    Op op;
    int first, last;
};

std::vector<TTraceEntry> Traces(TControllerWithSchedule& device) {
    std::vector<TTraceEntry> traces;
    for (int i = 1; i <= device.GetTraceCount(false); ++i)
        traces.push_back(device.GetTraceEntry(i));
    return traces;
}

bool SameTraces(const std::vector<TTraceEntry>& a, const std::vector<TTraceEntry>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(TTraceEntry)) == 0;
}

std::uintmax_t SizeOf(const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PrepareRun();
    fuzz::InputReader input(data, size);
    auto device = fuzz::MakeController(input.Byte());
    std::vector<Operation> operations(input.Byte() % 8);
    for (Operation& o : operations) {
        o.op = static_cast<Op>(input.Byte() % 4);
        o.first = input.Index();
        o.last = o.op == InsertGap ? input.Index() : 0;
    }
    const std::filesystem::path file = device->GetViewFileName();
    if (input.Empty())
        fuzz::Remove(file);
    else
        fuzz::WriteInput(std::filesystem::relative(file, fuzz::Folder()).string(), input.Rest());

    for (const Operation& o : operations) {
        const std::uintmax_t before = SizeOf(file);
        const std::vector<TTraceEntry> traces = Traces(*device);
        try {
            switch (o.op) {
            case Load:
                device->LoadView(o.first);
                break;
            case Save:
                device->SaveView(o.first);
                break;
            case Delete:
                device->DeleteView(o.first);
                break;
            case InsertGap:
                device->InsertViewGap(o.first, o.last);
                break;
            }
        } catch (const HxError&) {
            // The file layer's error: the operation failed as a whole.
            continue;
        }
        if (SizeOf(file) < before)
            fuzz::Fail("a view operation shortened the view file");
        if (o.op == Save) {
            if (!SameTraces(Traces(*device), traces))
                fuzz::Fail("saving a view changed the traces");
            device->ResetTraces(false);
            device->LoadView(o.first);
            if (!SameTraces(Traces(*device), traces))
                fuzz::Fail("a saved view read back differently");
        }
    }
    fuzz::ReadEverything(*device);
    return 0;
}
