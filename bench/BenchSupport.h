#pragma once

#include "app/Driver.h"
#include "platform/Messages.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace hortivex::bench {

// A progress bar nobody sees.
struct NullProgress : ProgressView {
    void SetMaximum(int m) override { maximum = m; }
    int Maximum() const override { return maximum; }
    void SetPosition(int) override {}
    void ProcessPendingEvents() override {}
    int maximum = 0;
};

// Messages that stay quiet unless a conversion fails.
struct NullMessages : Messages {
    void Information(const std::string&) override {}
    void Error(const std::string& text, const std::string& detail) override {
        std::fprintf(stderr, "%s %s\n", text.c_str(), detail.c_str());
    }
    void Plain(const std::string&) override {}
};

// The whole content of a file.
inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace hortivex::bench
