# JSON engine: parse, serialize, reparse, paths and edits on arbitrary text.
quelix_add_fuzzer(parse SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_parse.cpp" LIBS json
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS json)
