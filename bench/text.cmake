# Text utilities: regex matching, encoding detection and conversion, UTF-8 decoding (peers: ICU,
# std::wregex).
find_package(ICU REQUIRED COMPONENTS uc)
quelix_add_bench(bench_text SOURCES "${CMAKE_CURRENT_LIST_DIR}/bench_text.cpp" LIBS text runtime ICU::uc)
