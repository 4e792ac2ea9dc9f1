// In-process simdjson On-Demand peer of the stream benchmark (built only when simdjson is found).
#pragma once

#include <memory>
#include <string>

namespace stream_bench {

class SimdjsonScan {
public:
    SimdjsonScan();
    ~SimdjsonScan();
    // Loads the whole file into simdjson's padded buffer.
    bool load(const std::string& file);
    // Seconds that finding the value at `pointer` takes in the loaded bytes (-1 on failure), with a
    // parser made for this call (freshParser) or one kept across calls; `out` gets its raw JSON.
    double scan(const std::string& pointer, bool freshParser, std::string& out);
    size_t size() const;
    void unload();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace stream_bench
