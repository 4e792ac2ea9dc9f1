// quelix: the desktop JSON tree viewer and editor.
#include <exception>
#include <string>

#include "app/startup.h"

int main(int argc, char** argv) {
    using namespace rg_Korrin_ChengXu;
    try {
        // --version and --help work without a display.
        if (argc == 2) {
            const std::string a = argv[1];
            if (a == "--version" || a == "--help" || a == "-h") {
                CWString none;
                return readCommandLine({QString(), QString::fromLocal8Bit(argv[1])}, none);
            }
        }
        rg_YingYongChengXu application(argc, argv);
        CWString file;
        if (const int code = readCommandLine(QCoreApplication::arguments(), file); code >= 0) return code;
        rg_QiDongLei startUp;
        startUp.openAtStart(std::move(file));
        return startUp.run();
    } catch (...) {
        reportUnhandledException(std::current_exception());
        return 1;
    }
}
