#pragma once

#include "app/Driver.h"
#include "platform/Program.h"

#include <cstdio>

namespace hortivex {

// The command lines' progress: a line on stderr while it is a terminal; nothing otherwise.
class ConsoleProgress : public ProgressView {
public:
    ConsoleProgress() : terminal_(ErrorStreamIsTerminal()) {}
    void SetMaximum(int maximum) override { maximum_ = maximum; }
    int Maximum() const override { return maximum_; }
    void SetPosition(int position) override {
        if (terminal_ && maximum_ > 0)
            std::fprintf(stderr, "\r%d/%d", position, maximum_);
        if (terminal_ && position == 0)
            std::fprintf(stderr, "\r\033[K");
    }
    void ProcessPendingEvents() override { std::fflush(stderr); }

private:
    bool terminal_;
    int maximum_ = 0;
};

} // namespace hortivex
