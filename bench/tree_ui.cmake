# Tree box painting: redraw cost by tree size, scroll position and index state, and the frame
# rate of wheel scrolling and thumb dragging over a million rows (offscreen platform).
if(TARGET tree_ui)
  quelix_add_bench(bench_tree_box SOURCES "${CMAKE_CURRENT_LIST_DIR}/bench_tree_box.cpp" LIBS tree_ui)
endif()
