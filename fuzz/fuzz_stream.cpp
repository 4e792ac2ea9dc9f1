// Stream extraction on arbitrary bytes: the input is the file (in memory, through a memfd), read
// in each of the four encodings with 1 KiB chunks along a handful of paths; each result must equal
// the byte-by-byte reference. The first input byte also picks one extra path made of input bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/json/test_stream_reference.h"
#include "text/encoding.h"
#include "json/stream_extract.h"

namespace {

const char* const kPaths[] = {"[0]", "a", "[1].b", "->0", "k->1", "a[0][1]", "data.items[1]"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0; // the reference is quadratic in places; keep inputs small
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int fd = ::memfd_create("quelix_fuzz_stream", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size > 0 && ::write(fd, bytes.data(), size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const CWString file = rg_Tolvar_MingLingJi::utf8ToUtf16("/proc/self/fd/" + std::to_string(fd));

    std::string extraPath;
    if (size > 0) extraPath = bytes.substr(size - std::min<size_t>(size, data[0] % 8));
    rg_Tolvar_JSON::StreamExtractor ex;
    ex.chunkSizeKiB = 1;
    ex.keepValueBytes = true;
    for (int32_t enc = 0; enc < 4; ++enc) {
        for (size_t i = 0; i <= sizeof kPaths / sizeof kPaths[0]; ++i) {
            const CWString path = rg_Tolvar_MingLingJi::utf8ToUtf16(
                i < sizeof kPaths / sizeof kPaths[0] ? kPaths[i] : extraPath);
            CWString out;
            const bool ok = ex.extractFromFile(file, enc, path, out);
            rg_Tolvar_JSON::CompiledStreamPath compiled;
            rg_Tolvar_JSON::compileStreamPath(path, enc, compiled);
            const auto expected = stream_reference::extract(bytes, enc, compiled);
            const CKorMem& raw = ex.lastValueBytes();
            const bool found = ex.status() == rg_Tolvar_JSON::StreamStatus::Found;
            if (!ok || found != expected.has_value() ||
                (found && std::string(reinterpret_cast<const char*>(raw.data()), raw.size()) != *expected))
                std::abort();
        }
    }
    ::close(fd);
    return 0;
}
