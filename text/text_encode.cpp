#include "text/text_encode.h"

#include "text/encoding.h"

namespace rg_Tolvar_MingLingJi {

bool encodeTextExactly(CWStringView text, CWStringView encodingName, bool withMark, std::string& out) {
    out.clear();
    // Every conversion stops at U+0000, so such a text can never come back whole.
    if (text.find(u'\0') != CWStringView::npos) return false;
    bool ok = true;
    const CKorMem units = utf16BytesFromText(text);
    const CKorMem converted = convertCharsetNames(bytesOf(units), u"UTF-16", encodingName, 0, &ok);
    if (!ok) return false;
    if (withMark) out.append(byteOrderMark(encodingName));
    out.append(bytesOf(converted));

    CWString detected;
    const CKorMem back = decodeTextBytes(out, {}, detected, &ok);
    CWString again = textFromUtf16Bytes(bytesOf(back));
    if (!ok || again != text) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace rg_Tolvar_MingLingJi
