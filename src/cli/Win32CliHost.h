#pragma once
// The command line's host on Windows: lines to the console (or to whatever the output is
// redirected to, as UTF-8), the registry's stored values through the wide API, and the export file
// written whole or not at all.

#include "cli/CliHost.h"

namespace corvelle::cli {

class Win32CliHost final : public CliHost {
public:
    Win32CliHost() = default;

    void Out(const std::string& line) override;
    void Err(const std::string& line) override;
    StoredRead ReadStored(const std::string& keyPath, const std::string& name) override;
    FileWrite WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        bool replace) override;
};

}  // namespace corvelle::cli
