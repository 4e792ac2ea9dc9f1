// quelix: the desktop JSON tree viewer and editor.
#include <exception>

#include "app/startup.h"

int main(int argc, char** argv) {
    using namespace rg_Korrin_ChengXu;
    try {
        rg_YingYongChengXu application(argc, argv);
        rg_QiDongLei startUp;
        return startUp.run();
    } catch (...) {
        reportUnhandledException(std::current_exception());
        return 1;
    }
}
