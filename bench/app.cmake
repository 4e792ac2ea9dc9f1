# bench_app: scripted timings of the main window (start-up, paste to painted tree, showing a
# large node, closing without changes). Needs the GUI build.
if(TARGET app)
  quelix_add_bench(bench_app SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_app.cpp LIBS app)
endif()
