# Painting: one frame of tree-like rows on the canvas, against plain QPainter on a QImage.
if(QUELIX_BUILD_GUI AND TARGET controls)
  quelix_add_bench(bench_paint SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_paint.cpp LIBS controls runtime_ui text_ui)
endif()
