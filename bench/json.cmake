# JSON engine: parse against RapidJSON's DOM (header-only), serialize, free, memory.
quelix_add_bench(bench_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_parse.cpp LIBS json text runtime)
