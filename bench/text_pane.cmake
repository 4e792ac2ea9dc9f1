# The text pane against QPlainTextEdit on the same texts (needs the window code).
if(TARGET text_ui)
  quelix_add_bench(bench_text_pane SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_text_pane.cpp LIBS text_ui)
endif()
