# Build helpers shared by every folder.

function(tarnel_add_folder dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# Adds every immediate child of dir that has a CMakeLists.txt (filters/<name>, platform/<name>).
function(tarnel_add_children dir)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${child})
      add_subdirectory(${rel})
    endif()
  endforeach()
endfunction()

add_library(tarnel_warnings INTERFACE)
target_compile_options(tarnel_warnings INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(TARNEL_WERROR)
  target_compile_options(tarnel_warnings INTERFACE -Werror)
endif()

if(TARNEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TARNEL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# tarnel_add_library(name SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Headers are included as "<folder>/<file>.h" from the repository root.
function(tarnel_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE tarnel_warnings ${ARG_PRIVATE_LIBS})
endfunction()

# tarnel_add_gtest(name SOURCES ... LIBS ... [TIMEOUT seconds])
# Every test gets its own config and temporary folders from the fixture in tests/support.
function(tarnel_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tarnel_warnings tarnel_testsupport ${ARG_LIBS}
                                        GTest::gtest GTest::gmock GTest::gtest_main)
  # GCC 12 reports std::regex and std::function internals as maybe-uninitialized in
  # sanitizer-instrumented tests, wrongly.
  if(TARNEL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-maybe-uninitialized)
  endif()
  # One variable only: this property cannot carry a list. The test preset sets the rest of the
  # environment (Qt offscreen, SDL's dummy driver) for the tests and for their discovery.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT ${ARG_TIMEOUT}
                       ENVIRONMENT "LC_ALL=C.UTF-8")
endfunction()

# tarnel_add_fuzzer(name SOURCES ... LIBS ...)
# With TARNEL_FUZZ the target links libFuzzer; otherwise it links a replay driver that runs
# the target's seed corpus, random inputs and mutations of the corpus, and CTest runs it. The
# corpus of tarnel_fuzz_<x> is ${TARNEL_FUZZ_CORPUS_DIR}/<x>, written by tarnel_fuzz_corpus
# (fuzz/corpus) at build time; tarnel_fuzzers builds every target with its corpus.
function(tarnel_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tarnel_warnings ${ARG_LIBS})
  add_dependencies(${name} tarnel_fuzz_corpus_files)
  add_dependencies(tarnel_fuzzers ${name})
  string(REGEX REPLACE "^tarnel_fuzz_" "" corpus ${name})
  if(TARNEL_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${name} PRIVATE tarnel_fuzz_driver)
    if(TARNEL_BUILD_TESTS)
      add_test(NAME fuzz.${name} COMMAND ${name} ${TARNEL_FUZZ_CORPUS_DIR}/${corpus})
      set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 600)
    endif()
  endif()
endfunction()

find_package(PkgConfig REQUIRED)
if(TARNEL_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# Modules of ours opened with dlopen when first needed (FFmpeg, libcurl). Installed under
# <libdir>/tarnel-audio-converter; the programs find them there relative to their own folder, or
# in the build tree at the path compiled into the code that opens them.
set(TARNEL_MODULE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/tarnel-audio-converter)
file(RELATIVE_PATH TARNEL_MODULE_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${TARNEL_MODULE_INSTALL_DIR})

# Data the programs read at run time (the user guide), found the same way: relative to the
# program's folder. Not under share/doc, which a system may leave out.
set(TARNEL_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/tarnel-audio-converter)
file(RELATIVE_PATH TARNEL_DATA_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${TARNEL_DATA_INSTALL_DIR})

# tarnel_add_module(name OUTPUT file-stem SOURCES ... LIBS ...): a shared object opened at run
# time. Only its entry function is exported.
function(tarnel_add_module name)
  cmake_parse_arguments(ARG "" "OUTPUT" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT} PREFIX "lib"
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE tarnel_warnings ${ARG_LIBS})
  install(TARGETS ${name} LIBRARY DESTINATION ${TARNEL_MODULE_INSTALL_DIR})
endfunction()

# The compile definition that tells `target` where the module `module` lies in the build tree.
function(tarnel_use_module target module definition)
  add_dependencies(${target} ${module})
  target_compile_definitions(${target} PRIVATE ${definition}="$<TARGET_FILE:${module}>")
endfunction()
