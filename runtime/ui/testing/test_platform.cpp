#include "runtime/ui/testing/test_platform.h"

namespace rg_Korrin_ChuangKou {

int32_t TestPlatform::messageBox(const CWString& caption, const CWString& text, MessageIcon icon,
                                 MessageButtons buttons) {
    messageBoxes.push_back({caption, text, icon, buttons});
    if (messageBoxAnswers.empty()) return kResultOk;
    const int32_t answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

std::optional<CWString> TestPlatform::inputText(const CWString& caption, const CWString& prompt,
                                                const CWString& initialText) {
    inputCalls.push_back({caption, prompt, initialText});
    if (inputAnswers.empty()) return std::nullopt;
    std::optional<CWString> answer = std::move(inputAnswers.front());
    inputAnswers.pop_front();
    return answer;
}

std::optional<CWString> TestPlatform::openFileName(const CWString& caption, const CWString& initialPath,
                                                   const CWString& filter) {
    openFileCalls.push_back({caption, initialPath, filter});
    if (openFileAnswers.empty()) return std::nullopt;
    std::optional<CWString> answer = std::move(openFileAnswers.front());
    openFileAnswers.pop_front();
    return answer;
}

} // namespace rg_Korrin_ChuangKou
