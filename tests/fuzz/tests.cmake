# Fuzzing of what the helper reads from any local process: its frame decoder and its rules check.
# With clang and its libFuzzer runtime each target is a real libFuzzer program run for a short
# while under ASan and UBSan; without them a bounded random-input driver built with the project's
# compiler takes its place. Both start from the target's committed seeds.
find_program(MORVEX_CLANGXX NAMES clang++ clang++-14)
set(have_libfuzzer FALSE)
if(MORVEX_CLANGXX)
  execute_process(COMMAND ${MORVEX_CLANGXX} -print-file-name=libclang_rt.fuzzer-x86_64.a
    OUTPUT_VARIABLE fuzzer_runtime OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(EXISTS "${fuzzer_runtime}")
    set(have_libfuzzer TRUE)
  else()
    execute_process(COMMAND ${MORVEX_CLANGXX} -print-runtime-dir
      OUTPUT_VARIABLE runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${runtime_dir}/libclang_rt.fuzzer-x86_64.a" OR EXISTS "${runtime_dir}/libclang_rt.fuzzer.a")
      set(have_libfuzzer TRUE)
    endif()
  endif()
endif()
if(NOT have_libfuzzer)
  message(STATUS "libFuzzer not found: the fuzz targets run under a bounded random-input driver")
endif()

# morvex_fuzz_target(NAME TEST SOURCES... CORPUS dir [DICT file] DEPENDS headers...)
function(morvex_fuzz_target name test)
  cmake_parse_arguments(F "" "CORPUS;DICT" "SOURCES;DEPENDS" ${ARGN})
  if(have_libfuzzer)
    set(fuzzer ${CMAKE_CURRENT_BINARY_DIR}/${name}_fuzzer)
    add_custom_command(OUTPUT ${fuzzer}
      COMMAND ${MORVEX_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
              -I${PROJECT_SOURCE_DIR}/platform ${F_SOURCES} -o ${fuzzer}
      DEPENDS ${F_SOURCES} ${F_DEPENDS} VERBATIM)
    add_custom_target(${name}_fuzz ALL DEPENDS ${fuzzer})
    set(dict "")
    if(F_DICT)
      set(dict "-dict=${F_DICT}")
    endif()
    # New inputs go to a scratch corpus in the build tree; the committed seeds are only read.
    set(scratch ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    add_test(NAME ${test}
      COMMAND sh -c "rm -rf '${scratch}' && mkdir -p '${scratch}' && exec '${fuzzer}' '${scratch}' '${F_CORPUS}' ${dict} -max_total_time=20 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1")
  else()
    add_executable(${name}_fuzz ${F_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/RandomDriver.cpp)
    target_include_directories(${name}_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/platform)
    add_test(NAME ${test} COMMAND ${name}_fuzz 200000 ${F_CORPUS})
  endif()
  set_tests_properties(${test} PROPERTIES TIMEOUT 120)
endfunction()

morvex_fuzz_target(frame_decoder FrameDecoderFuzz
  SOURCES ${PROJECT_SOURCE_DIR}/platform/foundation/FrameCodec.cpp ${CMAKE_CURRENT_LIST_DIR}/FrameDecoderFuzz.cpp
  DEPENDS ${PROJECT_SOURCE_DIR}/platform/foundation/FrameCodec.h
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus)
morvex_fuzz_target(kill_switch_rules KillSwitchRulesFuzz
  SOURCES ${PROJECT_SOURCE_DIR}/platform/foundation/KillSwitchRules.cpp ${CMAKE_CURRENT_LIST_DIR}/KillSwitchRulesFuzz.cpp
  DEPENDS ${PROJECT_SOURCE_DIR}/platform/foundation/KillSwitchRules.h
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/rules-corpus
  DICT ${CMAKE_CURRENT_LIST_DIR}/rules.dict)

# The readers of local files have fuzz targets of their own (readers/).
include(${CMAKE_CURRENT_LIST_DIR}/readers/readers.cmake)
