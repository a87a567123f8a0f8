#pragma once
// The command line's host on Windows: lines to the console, or, where the output is redirected, in
// the console's output code page as the system's own console tools write them; the registry's
// stored values through the wide API; and the export file written whole or not at all.

#include "cli/CliHost.h"

namespace corvelle::cli {

class Win32CliHost final : public CliHost {
public:
    Win32CliHost() = default;

    void Out(const std::string& line) override;
    void Err(const std::string& line) override;
    std::string OutFailure() const override { return outFailure_; }
    std::string StatusText(registry::Status status) override;
    StoredRead ReadStored(const std::string& keyPath, const std::string& name) override;
    FileWrite WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        bool replace) override;

private:
    std::string outFailure_;
};

}  // namespace corvelle::cli
