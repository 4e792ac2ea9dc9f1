# Warnings and instrumentation live on INTERFACE targets that each target links privately.
add_library(quelix_warnings INTERFACE)
target_compile_options(quelix_warnings INTERFACE -Wall -Wextra)

add_library(quelix_instrument INTERFACE)
if(QUELIX_SANITIZE AND QUELIX_TSAN)
  message(FATAL_ERROR "QUELIX_SANITIZE and QUELIX_TSAN cannot be combined")
endif()
if(QUELIX_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()
if(QUELIX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Where the shared corpus lives (read in place, never copied).
set(QUELIX_CORPUS_DIR "${PROJECT_SOURCE_DIR}/../shared/corpus" CACHE PATH "Folder of the shared JSON corpus")

function(quelix_optional_subdir dir)
  if(EXISTS "${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory("${PROJECT_SOURCE_DIR}/${dir}" "${PROJECT_BINARY_DIR}/${dir}")
  endif()
endfunction()

# One static library per folder; sources are the folder's .cpp files.
function(quelix_add_library name dir)
  cmake_parse_arguments(L "" "" "DEPS;PUBLIC_DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
  file(GLOB _hdrs CONFIGURE_DEPENDS "${dir}/*.h")
  if(NOT _srcs)
    # A folder whose sources have not arrived yet still gives a linkable library.
    set(_srcs "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
    file(WRITE "${_srcs}" "")
  endif()
  add_library(${name} STATIC ${_srcs} ${_hdrs})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${L_PUBLIC_DEPS} PRIVATE ${L_DEPS} quelix_warnings)
endfunction()

# quelix_add_test(name SOURCES a.cpp ... LIBS lib ... LABELS json|text|tree|gui|workers|slow [QT])
# One executable per test file. QT tests run on the offscreen platform.
function(quelix_add_test name)
  cmake_parse_arguments(T "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} quelix_warnings)
  target_compile_definitions(${name} PRIVATE
    QUELIX_CORPUS_DIR="${QUELIX_CORPUS_DIR}"
    QUELIX_BUILD_DIR="${PROJECT_BINARY_DIR}")
  if(T_QT)
    target_link_libraries(${name} PRIVATE Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    find_package(GTest REQUIRED)
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
