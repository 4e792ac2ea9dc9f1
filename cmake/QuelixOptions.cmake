# Warnings and instrumentation live on INTERFACE targets that each target links privately.
# The set follows what careful C++ projects build their own code with; third-party and Qt headers
# come in as system headers and stay quiet. CI builds turn every warning into an error.
add_library(quelix_warnings INTERFACE)
target_compile_options(quelix_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align
  -Wwrite-strings -Wpointer-arith -Winit-self -Wimplicit-fallthrough)
if(QUELIX_WERROR)
  target_compile_options(quelix_warnings INTERFACE -Werror)
endif()

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

# libFuzzer builds instrument every library for coverage; the fuzz targets add -fsanitize=fuzzer.
if(QUELIX_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
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

# Every tests/<area>/test_*.cpp becomes its own executable test_<area>_<stem>, linked with LIBS and
# labelled <area>; a file name holding "workers" adds the label workers, one holding "slow" the
# label slow. A file can be excluded with EXCLUDE and added by hand with quelix_add_test.
function(quelix_add_area_tests area)
  cmake_parse_arguments(A "QT" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp")
  foreach(src ${_tests})
    get_filename_component(stem "${src}" NAME_WE)
    get_filename_component(fname "${src}" NAME)
    if(fname IN_LIST A_EXCLUDE)
      continue()
    endif()
    string(REGEX REPLACE "^test_" "" stem "${stem}")
    set(labels ${area})
    if(stem MATCHES "workers")
      list(APPEND labels workers)
    endif()
    if(stem MATCHES "slow")
      list(APPEND labels slow)
    endif()
    if(A_QT)
      quelix_add_test(test_${area}_${stem} QT SOURCES "${src}" LIBS ${A_LIBS} LABELS ${labels})
    else()
      quelix_add_test(test_${area}_${stem} SOURCES "${src}" LIBS ${A_LIBS} LABELS ${labels})
    endif()
  endforeach()
endfunction()
