# bench_app: scripted timings of the main window (start-up, paste to painted tree, showing a
# large node, closing without changes). Needs the GUI build.
if(TARGET app)
  quelix_add_bench(bench_app SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_app.cpp LIBS app runtime_ui_test)
endif()
# bench_app_commands: find, set value, delete and stream-parse on large data, with the window's
# liveness (timer ticks and paints) during each.
if(TARGET app)
  quelix_add_bench(bench_app_commands SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_app_commands.cpp LIBS app runtime_ui_test)
endif()
# bench_undo: undo and redo of delete, set value and a 100 MB replacement beside the commands.
if(TARGET app)
  quelix_add_bench(bench_undo SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_undo.cpp LIBS app runtime_ui_test)
endif()
