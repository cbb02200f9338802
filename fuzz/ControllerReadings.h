#pragma once

#include "devices/Controller.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hortivex::fuzz {

// Bytes of a fuzz input taken from the front, one field at a time; past the end every field
// reads as zero, so that any input has a meaning.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::size_t Left() const { return Empty() ? 0 : size_ - at_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    // A view, record or entry index: small numbers mostly, the edges of int sometimes.
    int Index();
    // An IEEE double, little-endian: NaN, infinities and huge values included.
    double Double();
    // The next count bytes (fewer at the end) as an input of exactly that size.
    std::string Bytes(std::size_t count);
    // What is left.
    std::string Rest() { return Bytes(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A controller, created afresh: a Fertivo when even, else an Aerovane.
Ref<TControllerWithSchedule> MakeController(std::uint8_t choice);

// Asks the controller everything it tells about its present state: alarms and alarm enables,
// every trace (entry, visibility, colour, names, value), every status value's name and text,
// the warning, the USB settings text and command data, the schedule entry in force and the
// date texts, and each controller's own readings. Fails on an answer that breaks what the
// model promises (a trace value that is not finite, a value without a name, an alarm flag
// outside the controller's positions).
void ReadEverything(TControllerWithSchedule& device);

// The settings-transfer commands the controller builds next, checked for their length.
void BuildSettingsCommands(TControllerWithSchedule& device);

} // namespace hortivex::fuzz
