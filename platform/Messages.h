#pragma once

#include <string>

namespace hortivex {

// The message boxes the system shows: "Information", "Error" and plain ones.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void Information(const std::string& text) = 0;
    // detail names the file and the reason; a front end shows it beside the main text.
    virtual void Error(const std::string& text, const std::string& detail) = 0;
    virtual void Plain(const std::string& text) = 0;
};

} // namespace hortivex
