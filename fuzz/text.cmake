# Text utilities: escape codecs, encoding detection and charset conversion.
quelix_add_fuzzer(codecs SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_codecs.cpp" LIBS text
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS text)
quelix_add_fuzzer(encoding SOURCES "${CMAKE_CURRENT_LIST_DIR}/fuzz_encoding.cpp" LIBS text
  SEEDS "${QUELIX_CORPUS_DIR}/jsontestsuite" "${QUELIX_CORPUS_DIR}/json5-tests" LABELS text)
if(QUELIX_BUILD_FUZZ)
  # Coverage feedback from inside the library, not only from the fuzz target's own file.
  target_compile_options(text PRIVATE -fsanitize=fuzzer-no-link)
endif()
