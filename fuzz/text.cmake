# Text utilities: escape codecs, encoding detection and charset conversion.
quelix_add_fuzzer(codecs SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_codecs.cpp" LIBS text
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS text)
quelix_add_fuzzer(encoding SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_encoding.cpp" LIBS text
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS text)
