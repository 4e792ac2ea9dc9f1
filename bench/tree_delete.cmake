# bench_tree_delete: "删除" of [0] of a large root array in the main window, and the label
# renumbering it needs in the store (peer: renumbering item by item). Needs the GUI build.
if(TARGET app)
  quelix_add_bench(bench_tree_delete SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_tree_delete.cpp LIBS app tree runtime_ui_test)
endif()
