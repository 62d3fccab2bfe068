# Compiler settings shared by every target of the project.
add_library(vexmoor_warnings INTERFACE)
target_compile_options(vexmoor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
# GCC 12 reports -Wrestrict falsely for string concatenations at -O2 and above.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vexmoor_warnings INTERFACE -Wno-restrict)
endif()
if(VEXMOOR_WERROR)
  target_compile_options(vexmoor_warnings INTERFACE -Werror)
endif()

if(VEXMOOR_SANITIZE)
  # GCC leaves float-cast-overflow (a double too large for its integer) out
  # of "undefined"; clang has it in.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined,float-cast-overflow)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

# Qt's code generators run only for the targets that use Qt.
function(vexmoor_use_qt target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
endfunction()

# vexmoor_add_gtest(NAME SOURCES... LIBS ... [GUI])
# One test executable, its cases discovered by CTest. GUI tests run on Qt's
# offscreen platform so that they need no display.
include(GoogleTest)
function(vexmoor_add_gtest name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main vexmoor_warnings)
  set(label core)
  if(ARG_GUI)
    set(label gui)
    vexmoor_use_qt(${name})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    DISCOVERY_EXTRA_ARGS ""
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300 LABELS ${label})
endfunction()
