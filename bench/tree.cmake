# Tree item store: filling, index builds, lookups, row list and path search on a generated
# million-node document (peers: one object per item; the engine's path walk).
quelix_add_bench(bench_tree_store SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_tree_store.cpp LIBS tree json text runtime)
# Tree find: one whole search through a million items in the four modes (peers: an item lookup per
# item with u16string_view::find; std::wregex).
quelix_add_bench(bench_find SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_find.cpp LIBS tree json text runtime)
