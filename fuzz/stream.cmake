# Stream extraction on arbitrary bytes in every encoding, checked against the byte-by-byte reference.
quelix_add_fuzzer(stream SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_stream.cpp" LIBS json text runtime
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS json)
