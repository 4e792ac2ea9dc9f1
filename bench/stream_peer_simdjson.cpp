// simdjson On-Demand peer of the stream benchmark: loads FILE and prints the raw JSON of the value
// at the path (for example tail.wanted or data.items[3000000]), then on standard error the seconds
// taken to load the file and to find the value.
// Built for the machine it runs on (-march=native), since On-Demand picks its kernel at compile time.
#include <simdjson.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: stream_peer_simdjson FILE KEY.KEY...\n");
        return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    simdjson::padded_string json;
    if (simdjson::padded_string::load(argv[1]).get(json)) return 2;
    const auto t1 = std::chrono::steady_clock::now();
    simdjson::ondemand::parser parser;
    simdjson::ondemand::document doc;
    if (parser.iterate(json).get(doc)) return 2;
    std::string pointer(1, '/');
    pointer += argv[2];
    for (char& c : pointer)
        if (c == '.' || c == '[') c = '/';
    pointer.erase(std::remove(pointer.begin(), pointer.end(), ']'), pointer.end());
    std::string_view raw;
    if (simdjson::to_json_string(doc.at_pointer(pointer)).get(raw)) return 1;
    const auto t2 = std::chrono::steady_clock::now();
    std::fwrite(raw.data(), 1, raw.size(), stdout);
    std::fputc('\n', stdout);
    std::fprintf(stderr, "load %.3f s, scan %.3f s\n", std::chrono::duration<double>(t1 - t0).count(),
                 std::chrono::duration<double>(t2 - t1).count());
    return 0;
}
