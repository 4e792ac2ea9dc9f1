// simdjson On-Demand in the stream benchmark's own process: the file is loaded once (not timed),
// then each call times only the scan that finds the value at a JSON pointer. Compiled for the
// machine it runs on (-march=native), since On-Demand picks its kernel at compile time.
#include "bench/stream_simdjson_scan.h"

#include <simdjson.h>

#include <chrono>
#include <memory>

namespace stream_bench {

struct SimdjsonScan::Impl {
    simdjson::padded_string json;
    simdjson::ondemand::parser warmParser;
};

SimdjsonScan::SimdjsonScan() = default;
SimdjsonScan::~SimdjsonScan() = default;

bool SimdjsonScan::load(const std::string& file) {
    impl_ = std::make_unique<Impl>();
    if (simdjson::padded_string::load(file).get(impl_->json)) {
        impl_.reset();
        return false;
    }
    return true;
}

double SimdjsonScan::scan(const std::string& pointer, bool freshParser, std::string& out) {
    if (!impl_) return -1;
    const auto t0 = std::chrono::steady_clock::now();
    simdjson::ondemand::parser fresh;
    simdjson::ondemand::parser& parser = freshParser ? fresh : impl_->warmParser;
    simdjson::ondemand::document doc;
    if (parser.iterate(impl_->json).get(doc)) return -1;
    std::string_view raw;
    if (simdjson::to_json_string(doc.at_pointer(pointer)).get(raw)) return -1;
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    out.assign(raw.data(), raw.size());
    return s;
}

size_t SimdjsonScan::size() const {
    return impl_ ? impl_->json.size() : 0;
}

void SimdjsonScan::unload() {
    impl_.reset();
}

} // namespace stream_bench
