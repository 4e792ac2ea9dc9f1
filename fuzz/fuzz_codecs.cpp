// Escape codecs on arbitrary UTF-16 input: every mode, and the round trips that hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/codecs.h"

using namespace rg_Tolvar_MingLingJi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The bytes as UTF-16 code units, and each byte as one unit (so ASCII escapes are common).
    CWString units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    CWString widened(data, data + size);
    for (const CWString* in : {&units, &widened}) {
        for (int32_t mode = -1; mode <= 3; ++mode) {
            (void)escapeText(*in, mode);
            (void)unescapeText(*in, mode);
        }
        CWString text = in->substr(0, in->find(u'\0'));
        // \uXXXX escapes come back exactly, except where the text itself holds "%u" (the decoder
        // also reads %uXXXX, and the encoder leaves "%" alone).
        if (text.find(u"%u") == CWString::npos && unescapeText(escapeText(text, 0), 0) != text) std::abort();
        // HTML references come back for texts without "&" (it is not encoded).
        if (text.find(u'&') == CWString::npos) {
            if (unescapeText(escapeText(text, 1), 1) != text) std::abort();
            if (unescapeText(escapeText(text, 2), 1) != text) std::abort();
        }
        // Decoding never lengthens a text, and nothing holds U+0000.
        for (int32_t mode = 0; mode <= 1; ++mode) {
            CWString out = unescapeText(*in, mode);
            if (out.size() > in->size() + (mode == 1 ? in->size() : 0)) std::abort();
            if (out.find(u'\0') != CWString::npos) std::abort();
        }
    }
    return 0;
}
